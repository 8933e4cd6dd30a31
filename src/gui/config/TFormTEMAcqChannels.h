#pragma once
// The acquisition channel window: the transmitter/receiver channel matrix, every key of one
// channel in a key/value editor, the channel count and the moment alias groups. Shown modally from
// the main window.

#include <QDialog>
#include <memory>

namespace tem {
struct Configuration;
struct AliasSelection;
class Operator;
} // namespace tem

namespace Ui {
class TFormTEMAcqChannels;
}

namespace tem::gui {
class TFormTEMAcqChannels : public QDialog {
    Q_OBJECT

  public:
    TFormTEMAcqChannels(tem::Configuration& cfg, tem::Operator& op, QWidget* parent = nullptr);
    ~TFormTEMAcqChannels() override;

    int DisplayedAcqChn() const { return m_displayedAcqChn; }

  public slots:
    void FormShow();
    /// Channel DisplayedAcqChn to the key editor, and the front gate label.
    void ValueListEditorAcqChnFill();
    /// The key editor into channel DisplayedAcqChn.
    void ComboBoxViewAcqChnDropDown();
    void ComboBoxViewAcqChnChange();
    void LabeledEditNumAcqChnMouseLeave();
    void ButtonValidateClick();
    void RadioGroupSingleTxClick();
    void RadioGroupLMTxClick();
    void RadioGroupHMTxClick();
    void CheckBoxNormalizeCurrentClick();
    void BitBtnOKClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fillMatrix();
    void fillChannelList();
    void fillAliasGroups();
    tem::AliasSelection aliasSelection() const;
    void showAliasSelection(const tem::AliasSelection& sel);
    void afterAliasChange();

    std::unique_ptr<Ui::TFormTEMAcqChannels> ui;
    tem::Configuration& m_cfg;
    tem::Operator& m_op;
    int m_displayedAcqChn = 1;
    bool m_populating = false;
    bool m_editorDirty = false;
};

} // namespace tem::gui
