#include "config/TFormVehicleParams.h"

#include <QFileInfo>
#include <QImageReader>
#include <QResizeEvent>
#include <QShowEvent>
#include <cmath>

#include "config/EditorSupport.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/rules/vehicle_rules.h"
#include "ui_TFormVehicleParams.h"
#include "widgets/RadioGroup.h"
#include "widgets/ScrollableWindow.h"

using tem::gui::editor::Guarded;
using tem::gui::editor::Q;
using tem::gui::editor::S;

namespace tem::gui {
namespace {

constexpr const char* PhotoMessage =
    "The picture of this configuration either does not exist, could not be found or is corrupted.";

void showNumber(QLineEdit* edit, double v)
{
    editor::SetNumberEdit(edit, v, Q(tem::FormatFixed(v, 8, 3)));
}

double numberOf(const QLineEdit* edit, double fallback)
{
    return editor::EditValue(edit, 1, fallback);
}

void storeIndex(int& field, const RadioGroup* group)
{
    if (group->itemIndex() >= 0)
        field = group->itemIndex();
}

} // namespace

TFormVehicleParams::TFormVehicleParams(tem::Configuration& cfg, tem::Operator& op, tem::FileDialogs& dialogs,
                                       QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormVehicleParams>()), m_cfg(cfg), m_op(op),
      m_dialogs(dialogs)
{
    ui->setupUi(this);
    tem::gui::MakeScrollable(this);
    m_sensors = {{
        {ui->CheckBoxGNSS, ui->LabeledEditGNSSX, ui->LabeledEditGNSSY, ui->LabeledEditGNSSZ},
        {ui->CheckBoxGNSS2, ui->LabeledEditGNSS2X, ui->LabeledEditGNSS2Y, ui->LabeledEditGNSS2Z},
        {ui->CheckBoxDiff, ui->LabeledEditDiffX, ui->LabeledEditDiffY, ui->LabeledEditDiffZ},
        {ui->CheckBoxDiff2, ui->LabeledEditDiff2X, ui->LabeledEditDiff2Y, ui->LabeledEditDiff2Z},
        {ui->CheckBoxAlt, ui->LabeledEditAltimeterX, ui->LabeledEditAltimeterY, ui->LabeledEditAltimeterZ},
        {ui->CheckBoxAlt2, ui->LabeledEditAltimeter2X, ui->LabeledEditAltimeter2Y,
         ui->LabeledEditAltimeter2Z},
        {ui->CheckBoxIncl, ui->LabeledEditInclinometerX, ui->LabeledEditInclinometerY,
         ui->LabeledEditInclinometerZ},
        {ui->CheckBoxIncl2, ui->LabeledEditInclinometer2X, ui->LabeledEditInclinometer2Y,
         ui->LabeledEditInclinometer2Z},
        {ui->CheckBoxSonar, ui->LabeledEditSonarX, ui->LabeledEditSonarY, ui->LabeledEditSonarZ},
    }};
    connect(ui->ButtonLoadPhoto, &QPushButton::clicked, this, [this] { ButtonLoadPhotoClick(); });
    connect(ui->BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
}

TFormVehicleParams::~TFormVehicleParams() = default;

void TFormVehicleParams::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormVehicleParams::done(int result)
{
    if (result == QDialog::Accepted)
        BitBtnOKClick();
    QDialog::done(result);
}

void TFormVehicleParams::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    showPhoto();
}

void TFormVehicleParams::FormShow()
{
    Guarded(m_op, [&] {
        tem::TVehicle& v = m_cfg.Vehicle;
        for (int i = 0; i < tem::VehicleSensorCount; ++i) {
            const tem::SensorFields f = tem::FieldsOf(v, static_cast<tem::VehicleSensor>(i));
            m_sensors[static_cast<std::size_t>(i)].exists->setChecked(*f.exists);
            showNumber(m_sensors[static_cast<std::size_t>(i)].x, *f.x);
            showNumber(m_sensors[static_cast<std::size_t>(i)].y, *f.y);
            showNumber(m_sensors[static_cast<std::size_t>(i)].z, *f.z);
        }
        showNumber(ui->LabeledEditTrailerAxle, v.TrailerX);
        showNumber(ui->LabeledEditTowBallXcoord, v.TractorTowBallX);
        showNumber(ui->LabeledEditTractorFixedAxle, v.TractorFixedX);
        showNumber(ui->LabeledEditTractorSteerAxle, v.TractorSteerX);
        showNumber(ui->LabeledEditWheelbase, v.WheelBase);
        showNumber(ui->LabeledEditWheeltrack, v.WheelTrack);
        showNumber(ui->LabeledEditSling, v.SlingLength);
        showNumber(ui->LabeledEditSlingTilt, v.SlingTilt);
        ui->RadioGroupPropulsion->setItemIndex(static_cast<int>(v.Propulsion));
        ui->RadioGroupTxLoopFixture->setItemIndex(v.TransmitterLoopFixture);
        ui->RadioGroupRx1Fixture->setItemIndex(v.ReceiverLoop1Fixture);
        ui->RadioGroupRx2Fixture->setItemIndex(v.ReceiverLoop2Fixture);
        ui->RadioGroupRx3Fixture->setItemIndex(v.ReceiverLoop3Fixture);
        ui->RadioGroupGNSSFixture->setItemIndex(v.GNSSAntennaFixture);
        m_photoFile = v.PhotoFilename;
        m_photo = QPixmap();
        if (!m_photoFile.empty() && QFileInfo::exists(editor::PathQ(m_photoFile)) && !loadPhoto(m_photoFile))
            m_op.inform(PhotoMessage);
        showPhoto();
    });
}

bool TFormVehicleParams::loadPhoto(const std::string& file)
{
    QImageReader reader(editor::PathQ(file));
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    m_photo = QPixmap::fromImage(image);
    return true;
}

void TFormVehicleParams::showPhoto()
{
    QLabel* label = ui->ImageConfigurationPhoto;
    if (m_photo.isNull()) {
        label->clear();
        return;
    }
    label->setPixmap(
        m_photo.scaled(label->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TFormVehicleParams::ButtonLoadPhotoClick()
{
    Guarded(m_op, [&] {
        const std::string file = m_dialogs.openFile(
            "Load Photo",
            "Pictures (*.jpg *.jpeg *.JPG *.png *.PNG *.bmp *.BMP *.gif *.tif *.tiff);;All files (*)",
            m_photoFile);
        if (file.empty())
            return;
        if (!loadPhoto(file)) {
            m_op.inform(PhotoMessage);
            return;
        }
        m_photoFile = file;
        showPhoto();
    });
}

void TFormVehicleParams::BitBtnOKClick()
{
    Guarded(m_op, [&] {
        tem::TVehicle& v = m_cfg.Vehicle;
        for (int i = 0; i < tem::VehicleSensorCount; ++i) {
            const auto s = static_cast<tem::VehicleSensor>(i);
            const tem::SensorFields f = tem::FieldsOf(v, s);
            const std::array<double, 3> fb = tem::SensorFallback(s);
            const SensorControls& c = m_sensors[static_cast<std::size_t>(i)];
            *f.exists = c.exists->isChecked();
            *f.x = numberOf(c.x, fb[0]);
            *f.y = numberOf(c.y, fb[1]);
            *f.z = numberOf(c.z, fb[2]);
        }
        if (ui->RadioGroupPropulsion->itemIndex() >= 0)
            v.Propulsion = static_cast<tem::TPropulsion>(ui->RadioGroupPropulsion->itemIndex());
        storeIndex(v.TransmitterLoopFixture, ui->RadioGroupTxLoopFixture);
        storeIndex(v.ReceiverLoop1Fixture, ui->RadioGroupRx1Fixture);
        storeIndex(v.ReceiverLoop2Fixture, ui->RadioGroupRx2Fixture);
        storeIndex(v.ReceiverLoop3Fixture, ui->RadioGroupRx3Fixture);
        storeIndex(v.GNSSAntennaFixture, ui->RadioGroupGNSSFixture);
        v.TrailerX = numberOf(ui->LabeledEditTrailerAxle, 0.5);
        v.TractorTowBallX = numberOf(ui->LabeledEditTowBallXcoord, 6.5);
        v.TractorFixedX = numberOf(ui->LabeledEditTractorFixedAxle, 7.5);
        v.TractorSteerX = numberOf(ui->LabeledEditTractorSteerAxle, 11.5);
        v.WheelBase = std::abs(numberOf(ui->LabeledEditWheelbase, 4));
        v.WheelTrack = numberOf(ui->LabeledEditWheeltrack, 1.5);
        // A sling typed by the operator is kept like every other value of the window.
        v.SlingLength = numberOf(ui->LabeledEditSling, 30);
        v.SlingTilt = numberOf(ui->LabeledEditSlingTilt, 0);
        v.PhotoFilename = m_photoFile;
        if (!tem::WheelbaseMatches(v))
            m_op.inform(std::string(tem::WheelbaseMessage));
    });
}

} // namespace tem::gui
