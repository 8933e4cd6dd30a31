#pragma once
// The array window: the geo-electric array description as a table (one row per four-electrode
// configuration), a 3-D chart of its electrode points against effective depth, the generators and
// the depth-of-investigation analyses in its menus, and the OK command that writes the array file.
// It works on the session's array description and ConfigIniName.

#include <QDialog>
#include <memory>

class QAction;
class QActionGroup;
class QMenuBar;

namespace Ui {
class TFormConfig;
}

namespace tem::gui {

struct Session;
class ArrayEntryWindows;
class ArrayAnalysisWindows;

class TFormConfig : public QDialog {
    Q_OBJECT

  public:
    explicit TFormConfig(Session& s, QWidget* parent = nullptr);
    ~TFormConfig() override;

    /// Reads the array file named ConfigIniName, fills the window and shows it modally. Returns
    /// true when it was closed with OK; the session's numBipoles is then the configuration count.
    bool Execute();

    /// Reads the array file and fills the window and the entry windows from it. The window reads
    /// only when it opens, so a generated description and a typed count survive the entry windows.
    void ReadConfig();
    /// Sizes and fills the table from the description, recomputes the midpoints and redraws the
    /// chart.
    void FillConfigTable();

    QMenuBar* menuBar() const { return menuBar_; }
    /// The menu item of a command by its text (tests, the forward window).
    QAction* action(const QString& text) const;

    static const char* const SaveDialogTitle;
    static const char* const SaveDialogFilter;
    static const char* const DocumentDialogTitle;
    static const char* const DocumentDialogFilter;

  public slots:
    void EditRxBipolesExit();
    void LabeledEditDefWaterDepthExit();
    void StringGridArraySetEditText(int row, int col);
    void ReCalculateGeomFactClick();
    void ReCalculateEffDepthsClick();
    void DocumentConfigClick();
    void BitBtnOKClick();

  private:
    /// The array file in use: ConfigIniName when it is an array file, else the last one, else
    /// "Array.DCC" in the array folder.
    std::string arrayFile() const;
    void buildMenus();
    void setupChart();
    void drawChart();
    void checkTypeItem();
    /// The count box as a configuration count; false (with the box restored) when it is not one.
    bool commitCount(bool quietForNonPositive);
    void setCell(int row, int col, const QString& text, bool editable);

    std::unique_ptr<Ui::TFormConfig> ui;
    Session& s_;
    QMenuBar* menuBar_ = nullptr;
    QActionGroup* typeGroup_ = nullptr;
    std::unique_ptr<ArrayEntryWindows> entries_;
    std::unique_ptr<ArrayAnalysisWindows> analyses_;
    bool filling_ = false;
    friend class ArrayEntryWindows;
    friend class ArrayAnalysisWindows;
};

/// Opens the array window belonging to `owner` (created on first use as its child, so its entry
/// windows keep their values) modally on the session's array description. True when closed with
/// OK; the caller then takes numBipoles from the session's description.
bool EnterArrayConfiguration(Session& s, QWidget* owner);

} // namespace tem::gui
