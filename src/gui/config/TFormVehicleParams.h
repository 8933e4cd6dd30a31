#pragma once
// The vehicle window: the platform that carries the survey system, its sensors and a photograph
// of the configuration. The model changes only on OK.

#include <QDialog>
#include <QPixmap>
#include <array>
#include <memory>
#include <string>

namespace tem {
struct Configuration;
class Operator;
class FileDialogs;
} // namespace tem

namespace Ui {
class TFormVehicleParams;
}

class QCheckBox;
class QLineEdit;

namespace tem::gui {
class TFormVehicleParams : public QDialog {
    Q_OBJECT

  public:
    TFormVehicleParams(tem::Configuration& cfg, tem::Operator& op, tem::FileDialogs& dialogs,
                       QWidget* parent = nullptr);
    ~TFormVehicleParams() override;

    /// The file the picture dialog holds (stored as PhotoFilename on OK).
    const std::string& PhotoDialogFile() const { return m_photoFile; }

  public slots:
    void FormShow();
    void BitBtnOKClick();
    void ButtonLoadPhotoClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

  private:
    struct SensorControls {
        QCheckBox* exists;
        QLineEdit *x, *y, *z;
    };
    bool loadPhoto(const std::string& file);
    void showPhoto();

    std::unique_ptr<Ui::TFormVehicleParams> ui;
    tem::Configuration& m_cfg;
    tem::Operator& m_op;
    tem::FileDialogs& m_dialogs;
    std::array<SensorControls, 9> m_sensors{};
    std::string m_photoFile;
    QPixmap m_photo;
};

} // namespace tem::gui
