// The waveform and vehicle windows driven through their named controls with a recording operator.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "config/TFormTxWaveforms.h"
#include "config/TFormVehicleParams.h"
#include "editor_fixture.h"
#include "qcustomplot.h"
#include "support/qt_children.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/RadioGroup.h"

using namespace tem::gui;

namespace {
using tem::testsupport::child;
} // namespace

class WaveformsVehicleTest : public QObject {
    Q_OBJECT

  private slots:
    void waveformShowsBothTransmitters()
    {
        tem::Configuration cfg = fixture::DualMoment();
        tem::RecordingOperator op;
        TFormTxWaveforms form(cfg, op);
        form.show();
        auto* def = child<KeyValueEditor>(&form, "ValueListEditorWaveformModelDef");
        auto* aux = child<KeyValueEditor>(&form, "ValueListEditorWaveformModelAux");
        QCOMPARE(def->keyTitle(), QString("Time (seconds)"));
        QCOMPARE(def->valueTitle(), QString("Volts"));
        QCOMPARE(def->rowCount(), 4);
        QCOMPARE(def->keyAt(0), QString("  -0.00400000"));
        QCOMPARE(aux->keyAt(3), QString("   0.0000200"));
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditDefRamp")->text(), QString("   20.0"));
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditDefNumWaveformPoints")->text(), QString("  4"));
        auto* chart = child<QCustomPlot>(&form, "ChartWaveform");
        QCOMPARE(chart->graph(0)->dataCount(), 4);
        QCOMPARE(chart->graph(1)->name(), QString("Auxiliary Waveform"));
        QCOMPARE(chart->graph(1)->dataCount(), 4);
        QCOMPARE(chart->graph(0)->data()->at(3)->key, 20.0); // microseconds
        QVERIFY(child<QWidget>(&form, "WidgetAuxWaveform")->isVisible());

        // One transmitter whose auxiliary moment is HM: nothing auxiliary shown or drawn.
        tem::Configuration single = fixture::DualMoment();
        single.NumTx = 1;
        TFormTxWaveforms one(single, op);
        one.show();
        QVERIFY(!child<QWidget>(&one, "WidgetAuxWaveform")->isVisible());
        QCOMPARE(child<QCustomPlot>(&one, "ChartWaveform")->graph(1)->dataCount(), 0);
    }

    void waveformAxesFitTheAmplitudesAndShowTheTurnOff()
    {
        tem::Configuration cfg = fixture::DualMoment(); // on from -4 ms, off from 0 to 20 µs
        tem::RecordingOperator op;
        TFormTxWaveforms form(cfg, op);
        form.show();
        auto* chart = child<QCustomPlot>(&form, "ChartWaveform");
        QCPAxis* amplitude = chart->axisRect(0)->axis(QCPAxis::atLeft);
        QVERIFY(!amplitude->label().isEmpty());
        QVERIFY(amplitude->range().lower <= 0 && amplitude->range().upper >= 1);
        QVERIFY2(amplitude->range().upper < 1.5, "the axis fits amplitudes of 0 to 1");
        // A second panel spans the turn-off, and the whole on-time would not fit in it.
        QCOMPARE(chart->axisRectCount(), 2);
        QCPAxisRect* turnOff = chart->axisRect(1);
        const QCPRange t = turnOff->axis(QCPAxis::atBottom)->range();
        QVERIFY(t.lower <= 0 && t.upper >= 20);
        QVERIFY2(t.lower > -100 && t.upper < 100, qPrintable(QString("%1 .. %2").arg(t.lower).arg(t.upper)));
        QVERIFY(!turnOff->axis(QCPAxis::atBottom)->label().isEmpty());
        QCOMPARE(turnOff->graphs().size(), 2);
        QCOMPARE(turnOff->graphs().at(0)->dataCount(), 4);
        // Only the two waveforms are listed in the legend.
        QCOMPARE(chart->legend->itemCount(), 2);
    }

    void editingCommitsTheWholeListOnClose()
    {
        tem::Configuration cfg = fixture::DualMoment();
        cfg.TxWaveform[1].WaveformPointTimes[2] = -0.00390001234; // finer than the eight decimals shown
        tem::RecordingOperator op;
        TFormTxWaveforms form(cfg, op);
        form.show();
        auto* def = child<KeyValueEditor>(&form, "ValueListEditorWaveformModelDef");
        def->item(3, 0)->setText("0.000025");
        def->item(1, 1)->setText("0.9");
        QVERIFY(form.DefWaveformChanged());
        child<QPushButton>(&form, "BitBtnClose")->click();
        QVERIFY(op.messages.empty());
        QCOMPARE(cfg.TxWaveform[1].drivenRamp, 25e-6);
        QCOMPARE(cfg.TxWaveform[1].WaveformPointAmplitudes[2], 0.9);
        QCOMPARE(cfg.TxWaveform[1].WaveformPointTimes[2], -0.00390001234);
        QCOMPARE(cfg.TxWaveform[2], fixture::DualMoment().TxWaveform[2]);
    }

    void ascendingCheckFallbackAndRows()
    {
        tem::Configuration cfg = fixture::DualMoment();
        tem::RecordingOperator op;
        TFormTxWaveforms form(cfg, op);
        form.show();
        auto* def = child<KeyValueEditor>(&form, "ValueListEditorWaveformModelDef");
        def->deleteRow(0);
        def->item(0, 0)->setText("0");
        def->item(1, 0)->setText("0.00001");
        def->item(2, 0)->setText("0.000005");
        form.ValueListEditorWaveformModelDefExit();
        QCOMPARE(op.messages, std::vector<std::string>{"Times must be ascending"});
        QCOMPARE(cfg.TxWaveform[1].WaveformPointsDigitized, 3);
        QCOMPARE(cfg.TxWaveform[1].drivenRamp, 5e-6);
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditDefRamp")->text(), QString("    5.0"));
        // A time that is not a number takes 0.0003 x row - 0.001.
        def->item(2, 0)->setText("late");
        form.ValueListEditorWaveformModelDefExit();
        QCOMPARE(cfg.TxWaveform[1].WaveformPointTimes[3], 0.0003 * 3 - 0.001);
    }

    void pointCountAddsRowsFromTheStoredArrays()
    {
        tem::Configuration cfg = fixture::DualMoment();
        cfg.TxWaveform[1].WaveformPointTimes[5] = 40e-6;
        tem::RecordingOperator op;
        TFormTxWaveforms form(cfg, op);
        form.show();
        auto* count = child<QLineEdit>(&form, "LabeledEditDefNumWaveformPoints");
        count->setText("5");
        form.NumWaveformPointsExit(0);
        QCOMPARE(cfg.TxWaveform[1].WaveformPointsDigitized, 5);
        auto* def = child<KeyValueEditor>(&form, "ValueListEditorWaveformModelDef");
        QCOMPARE(def->rowCount(), 5);
        QCOMPARE(def->keyAt(4), QString("   0.0000400"));
        count->setText("0");
        form.NumWaveformPointsExit(0);
        QCOMPARE(cfg.TxWaveform[1].WaveformPointsDigitized, 0);
        QCOMPARE(def->rowCount(), 1);
    }

    void vehicleOkStoresEverythingWithTheWheelbaseRule()
    {
        struct Case {
            const char *fixed, *steer, *wheelbase;
            double stored;
            bool message;
        } cases[] = {{"7.5", "11.5", "4.0", 4.0, false},
                     {"7.5", "11.5", "-4.0", 4.0, false},
                     {"7.5", "11.6", "4.0", 4.0, true},
                     {"7.5", "11.5", "5.0", 5.0, true}};
        for (const Case& c : cases) {
            tem::Configuration cfg = fixture::DualMoment();
            tem::RecordingOperator op;
            tem::ScriptedFileDialogs dialogs;
            TFormVehicleParams form(cfg, op, dialogs);
            form.show();
            child<QLineEdit>(&form, "LabeledEditTractorFixedAxle")->setText(c.fixed);
            child<QLineEdit>(&form, "LabeledEditTractorSteerAxle")->setText(c.steer);
            child<QLineEdit>(&form, "LabeledEditWheelbase")->setText(c.wheelbase);
            child<QPushButton>(&form, "BitBtnOK")->click();
            QVERIFY(!form.isVisible());
            QCOMPARE(cfg.Vehicle.WheelBase, c.stored);
            QCOMPARE(op.messages.size(), size_t(c.message ? 1 : 0));
            if (c.message)
                QCOMPARE(
                    op.messages[0],
                    std::string(
                        "Wheelbase must be equal to Steering Axle X minus Fixed Axle X. Please try again."));
        }
    }

    void vehicleFieldsFallbacksSlingAndCancel()
    {
        tem::Configuration cfg = fixture::DualMoment();
        cfg.Vehicle.TractorFixedX = 7.5;
        cfg.Vehicle.TractorSteerX = 11.5;
        cfg.Vehicle.WheelBase = 4;
        cfg.Vehicle.SonarZ = 0.12345; // finer than the three decimals shown
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        TFormVehicleParams form(cfg, op, dialogs);
        form.show();
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditWheelbase")->text(), QString("   4.000"));
        child<RadioGroup>(&form, "RadioGroupPropulsion")->button(1)->click();
        child<RadioGroup>(&form, "RadioGroupRx2Fixture")->button(2)->click();
        child<QCheckBox>(&form, "CheckBoxSonar")->setChecked(true);
        child<QLineEdit>(&form, "LabeledEditAltimeter2X")->setText("high");
        child<QLineEdit>(&form, "LabeledEditSling")->setText("25");
        child<QLineEdit>(&form, "LabeledEditSlingTilt")->setText("12.5");
        form.accept();
        QVERIFY(op.messages.empty());
        QCOMPARE(cfg.Vehicle.Propulsion, tem::TPropulsion::propWalked);
        QCOMPARE(cfg.Vehicle.ReceiverLoop2Fixture, 2);
        QVERIFY(cfg.Vehicle.SonarExists);
        QCOMPARE(cfg.Vehicle.SonarZ, 0.12345);
        QCOMPARE(cfg.Vehicle.Altimeter2X, 3.0);
        QCOMPARE(cfg.Vehicle.SlingLength, 25.0);
        QCOMPARE(cfg.Vehicle.SlingTilt, 12.5);

        // Closing other than with OK discards the window's edits.
        const tem::Configuration before = cfg;
        form.show();
        child<QLineEdit>(&form, "LabeledEditWheeltrack")->setText("9");
        form.reject();
        QVERIFY(cfg == before);
    }

    void vehiclePhoto()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath("rig.png"), bad = dir.filePath("broken.jpg");
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(image.save(good));
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();

        tem::Configuration cfg = fixture::DualMoment();
        cfg.Vehicle.PhotoFilename = dir.filePath("deleted.jpg").toStdString();
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        TFormVehicleParams form(cfg, op, dialogs);
        form.show();
        QVERIFY(op.messages.empty()); // a deleted photo clears the picture silently
        auto* picture = child<QLabel>(&form, "ImageConfigurationPhoto");
        QVERIFY(picture->pixmap().isNull());

        dialogs.answers = {good.toStdString()};
        child<QPushButton>(&form, "ButtonLoadPhoto")->click();
        QVERIFY(!picture->pixmap().isNull());
        dialogs.answers = {bad.toStdString()};
        child<QPushButton>(&form, "ButtonLoadPhoto")->click();
        QCOMPARE(op.messages.back(), std::string("The picture of this configuration either does not exist, "
                                                 "could not be found or is corrupted."));
        form.accept();
        QCOMPARE(cfg.Vehicle.PhotoFilename, good.toStdString());

        cfg.Vehicle.PhotoFilename = bad.toStdString();
        op.messages.clear();
        form.show();
        QCOMPARE(op.messages.size(), size_t(1));
    }
};

QTEST_MAIN(WaveformsVehicleTest)
#include "waveforms_vehicle_test.moc"
