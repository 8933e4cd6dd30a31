// The main configuration window: start-up and close, model to window and back, the track bars,
// the moment rules, the receiver panels and the layout diagram.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "GuiTestSupport.h"
#include "config/TFormHELP.h"
#include "config/TFormTimeBase.h"
#include "config/TransmitterPanel.h"
#include "core/model/derived.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/PointChart3D.h"
#include "widgets/RadioGroup.h"

using namespace tem;
using namespace tem::gui;
using namespace tem::gui::test;

namespace {

/// A window showing the dual-moment configuration, with the start-up messages forgotten.
struct Loaded : MainWindowFixture {
    Loaded(void (*fill)(Configuration&) = FillDualMoment)
    {
        create();
        fill(cfg());
        CalculateDrivenVariables(cfg(), op);
        form->PopulateConfigForm();
        for (int t : {1, 2})
            form->transmitterPanel(t)->forgetTypedValues();
        op.messages.clear();
        op.questions.clear();
    }
    QLineEdit* edit(const char* name) { return get<QLineEdit>(name); }
    QSlider* bar(const char* name) { return get<QSlider>(name); }
    KeyValueEditor* rx(int t) { return form->rxEditor(t); }
    /// Types text into an edit and leaves it (the edit's exit handler runs).
    void typeAndLeave(const char* name, const QString& text)
    {
        edit(name)->setText(text);
        emit edit(name)->editingFinished();
    }
};

void FillRectangleLoop(Configuration& c)
{
    FillDualMoment(c);
    c.NumTx = 1;
    TTransmitter& t = c.Tx[1];
    t.MomentID = TMomentID::SingleM;
    const double xs[4] = {0, 12.345, 12.345, 0}, ys[4] = {0, 0, 1, 1};
    for (int k = 0; k < 4; ++k) {
        t.NodeX[k] = xs[k];
        t.NodeY[k] = ys[k];
        t.NodeZ[k] = 0;
    }
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // ---- Start-up and close --------------------------------------------------------------------

    void firstRunCreatesFolderAndNamesTheDemonstrationFile()
    {
        MainWindowFixture f;
        QVERIFY(!std::filesystem::exists(f.folder()));
        f.create();
        QVERIFY(!f.op.messages.empty());
        QCOMPARE(QString::fromStdString(f.op.messages.front()),
                 QString::fromStdString("New directory " + f.folder() + " added OK"));
        const std::string demo = f.folder() + "DemoConfig.TDC";
        QCOMPARE(f.cfg().LoadFilename, demo);
        QCOMPARE(f.cfg().SaveFilename, demo);
        QCOMPARE(f.get<QLineEdit>("EditTDCFilename")->text(), QString::fromStdString(demo));
        QCOMPARE(f.form->windowTitle(),
                 QString("DemoConfig.TDC - TEM Setrix - beta version 1.00 Dec2022 (for "
                         "testing pre-release)"));
    }

    void deletedStartFileFallsBackAndIsRememberedAtClose()
    {
        MainWindowFixture f;
        std::filesystem::create_directories(f.folder());
        const std::string ini = f.folder() + "temsetrix.INI";
        WriteText(ini, "[StartUp]\r\nLoadFilename=" + f.folder() + "gone.TDC\r\nSaveFilename=" + f.folder() +
                           "gone.TDC\r\nTDCorGEX=TDC\r\n");
        f.create();
        const std::string demo = f.folder() + "DemoConfig.TDC";
        QCOMPARE(f.cfg().LoadFilename, demo);
        f.op.answers = {false}; // the close question: do not save
        f.form->close();
        QVERIFY(ReadText(ini).find("LoadFilename=" + demo) != std::string::npos);
    }

    // The close question comes only when the window shows something the file does not hold; Yes
    // saves, No closes without writing, Cancel (or a save that did not write) keeps the window.
    void closeAsksOnlyAfterAChange_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<int>("choice");     // 0 Yes, 1 No, 2 Cancel
        QTest::addColumn<bool>("overwrite"); // the answer to Save's overwrite question
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("written");
        QTest::newRow("unchanged") << false << 2 << true << false << true << false;
        QTest::newRow("Yes saves") << true << 0 << true << true << true << true;
        QTest::newRow("No discards") << true << 1 << true << true << true << false;
        QTest::newRow("Cancel stays") << true << 2 << true << true << false << false;
        QTest::newRow("save declined stays") << true << 0 << false << true << false << false;
    }
    void closeAsksOnlyAfterAChange()
    {
        QFETCH(bool, edit);
        QFETCH(int, choice);
        QFETCH(bool, overwrite);
        QFETCH(bool, asked);
        QFETCH(bool, closes);
        QFETCH(bool, written);
        MainWindowFixture f;
        f.create();
        const std::string file = f.dir.path().toStdString() + "/Survey.TDC";
        QVERIFY(
            QFile::copy(QString::fromStdString(ShippedDemoConfiguration()), QString::fromStdString(file)));
        f.form->LoadFile(QString::fromStdString(file));
        const std::string before = ReadText(file);
        f.op.messages.clear();
        if (edit)
            f.get<QLineEdit>("LabeledEditDescription")->setText("Moved to the northern block");
        f.op.choices = {choice};
        f.op.answers = {overwrite};
        QCOMPARE(f.form->close(), closes);
        const std::vector<std::string> question{
            "Any changes you made have not been saved under the listed filename. Save now?"};
        QCOMPARE(f.op.questions.empty() ? f.op.questions : std::vector<std::string>{f.op.questions.front()},
                 asked ? question : std::vector<std::string>{});
        const std::string after = ReadText(file);
        QCOMPARE(after != before, written);
        if (written)
            QVERIFY(after.find("Description=Moved to the northern block") != std::string::npos);
        // The settings are written once, when the window really closes.
        QCOMPARE(std::filesystem::exists(f.folder() + "temsetrix.INI"), closes);
    }

    // A configuration never saved: Yes is Copy As, whose dialog opens; cancelling it keeps the
    // window open.
    void closeOfANeverSavedConfigurationOffersCopyAs()
    {
        MainWindowFixture f;
        f.create();
        f.cfg().LoadFilename = "Not_Saved.TDC";
        f.get<QLineEdit>("EditTxDefName")->setText("Typed in");
        f.op.choices = {0};
        QVERIFY(!f.form->close());
        QCOMPARE(f.dialogs.titles, std::vector<std::string>{"Save Configuration FIle"});
    }

    void laterActivationRefillsFromTheModel()
    {
        Loaded f;
        f.form->FormActivate(); // the first activation reads the start-up file
        FillDualMoment(f.cfg());
        f.form->FormActivate();
        f.edit("EditTxDefName")->setText("typed, not committed");
        f.cfg().Tx[1].Name = "committed by a satellite";
        f.form->FormActivate();
        QCOMPARE(f.edit("EditTxDefName")->text(), QString("committed by a satellite"));
        QVERIFY(!f.form->transmitterPanel(1)->voltsTyped() && !f.form->transmitterPanel(1)->ampsTyped());
    }

    void damagedStartFileIsReportedAndTheWindowStillFills()
    {
        MainWindowFixture f;
        std::filesystem::create_directories(f.folder());
        WriteText(f.folder() + "DemoConfig.TDC",
                  "[All]\r\nNumTx=1\r\nNumRx=1\r\n[Tx1]\r\nLPFilterOrderandCutoff=1\r\n");
        f.create();
        f.op.messages.clear();
        f.form->FormActivate();
        QVERIFY(!f.op.messages.empty());
        f.form->FormActivate(); // later activations read no file
        QCOMPARE(f.dialogs.titles.size(), std::size_t(0));
    }

    void buttonsOfWindowsStillToComeSaySo()
    {
        Loaded f;
        // The System Response button shows its window modally.
        QString shown;
        QTimer::singleShot(0, [&shown] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                shown = w->windowTitle();
                w->close();
            }
        });
        f.get<QPushButton>("ButtonSysResponse")->click();
        QCOMPARE(shown, QString("TEM System Response Specifier and Analyser"));
        f.op.messages.clear();
        f.cfg().LoadFilename = f.dir.path().toStdString() + "/never-written.TDC";
        f.get<QPushButton>("ButtonFwdModel")->click();
        QCOMPARE(f.op.messages, std::vector<std::string>{
                                    "The TDC configuration file must be saved before you can forward model"});

        // The PDF button writes the system report under the name chosen; the diagram's
        // own button saves it as a PNG image. Cancelling either dialog writes nothing.
        f.op.messages.clear();
        const std::string pdf = f.dir.path().toStdString() + "/Report.PDF";
        f.dialogs.answers = {""};
        f.get<QPushButton>("ButtonPDF")->click();
        QVERIFY(!std::filesystem::exists(pdf));
        f.dialogs.answers = {pdf};
        f.get<QPushButton>("ButtonPDF")->click();
        QCOMPARE(f.op.messages, std::vector<std::string>{});
        QCOMPARE(QString::fromStdString(ReadText(pdf).substr(0, 5)), QString("%PDF-"));
        QCOMPARE(f.form->pdfDialogFileName(), QString::fromStdString(pdf));
        f.dialogs.answers = {f.dir.path().toStdString() + "/no-such-folder/Report.PDF"};
        f.get<QPushButton>("ButtonPDF")->click();
        QVERIFY(f.shownStartingWith("Could not write the report"));

        const std::string png = f.dir.path().toStdString() + "/layout.PNG";
        f.dialogs.answers = {png};
        f.form->findChild<QAction*>("ActionSaveDiagramPng")->trigger();
        QVERIFY(!QImage(QString::fromStdString(png)).isNull());

        f.get<QPushButton>("ButtonCentroid")->click();
        QVERIFY(f.shown("Yet to Implement - please do this manually for now"));

        f.get<QPushButton>("ButtonHELP")->click();
        QVERIFY(f.form->helpWindow()->isVisible());
        QVERIFY(!f.form->helpWindow()->isModal());
        QCOMPARE(f.form->helpWindow()->windowTitle(), QString("TEM Setrix HELP"));
    }

    // ---- Model to window and back --------------------------------------------------------------

    void populateShowsTheModel()
    {
        Loaded f;
        QCOMPARE(f.edit("EditTxDefName")->text(), QString("LowMoment"));
        QCOMPARE(f.get<RadioGroup>("RadioGroupDefMoment")->itemIndex(), 1);
        QCOMPARE(f.get<RadioGroup>("RadioGroupAuxMoment")->itemIndex(), 2);
        auto* grid = f.get<QTableWidget>("StringGridTxDef");
        QCOMPARE(grid->rowCount(), 4);
        QCOMPARE(grid->item(0, 0)->text(), QString("1"));
        QCOMPARE(grid->item(0, 1)->text(), QString(" -20.000"));
        QCOMPARE(f.edit("LabeledEditTxDefDamp")->text(), QString("     330.0"));
        QCOMPARE(f.edit("LabeledEditDefVolts")->text(), QString("8.000"));
        QCOMPARE(f.get<QLabel>("LabelTxDefArea")->text(), QString("Area (m^2): 1600.000"));
        QCOMPARE(f.get<QLabel>("LabelAuxNIA")->text(), QString("Moment (NIA A.m^2): 14400.00"));
        QVERIFY(!f.get<QGroupBox>("GroupBoxTxAux")->isHidden());
        QVERIFY(f.get<QCheckBox>("CheckBoxUseAuxTx")->isChecked());
        QCOMPARE(f.get<QComboBox>("ComboBoxNumTx")->currentText(), QString("2"));
        QCOMPARE(f.get<RadioGroup>("RadioGroupDataType")->itemIndex(), 0);

        f.cfg().DataType = "  Airborne ";
        f.form->PopulateConfigForm();
        QCOMPARE(f.get<RadioGroup>("RadioGroupDataType")->itemIndex(), 2);
        QCOMPARE(f.edit("EditDataType")->text(), QString("Airborne"));
        f.cfg().DataType = "";
        f.form->PopulateConfigForm();
        QCOMPARE(f.get<RadioGroup>("RadioGroupDataType")->itemIndex(), 1);
        QCOMPARE(f.edit("EditDataType")->text(), QString());
    }

    void derivedLabelsTrimmedAfterLoadPaddedAfterRefresh()
    {
        Loaded f(FillRectangleLoop);
        QCOMPARE(f.get<QLabel>("LabelTxDefArea")->text(), QString("Area (m^2): 12.345"));
        f.form->ButtonRefreshGraphClick();
        QCOMPARE(f.get<QLabel>("LabelTxDefArea")->text(), QString("Area (m^2):   12.345"));
        QVERIFY(f.op.messages.empty());
    }

    void zeroCountsLeaveEveryControlButTheMasterBox()
    {
        Loaded f;
        f.cfg().NumTx = 0;
        f.cfg().Master = true;
        f.cfg().Tx[1].Name = "changed";
        f.form->PopulateConfigForm();
        QVERIFY(f.get<QCheckBox>("CheckBoxMaster")->isChecked());
        QCOMPARE(f.edit("EditTxDefName")->text(), QString("LowMoment"));
    }

    void oneTransmitterHidesAuxiliaryAndKeepsItOutOfTheModel()
    {
        Loaded f;
        f.cfg().NumTx = 1;
        f.cfg().Tx[1].MomentID = TMomentID::SingleM;
        f.get<QCheckBox>("CheckBoxUseAuxTx")->setChecked(false);
        f.form->PopulateConfigForm();
        QVERIFY(f.get<QGroupBox>("GroupBoxTxAux")->isHidden());
        const TTransmitter before = f.cfg().Tx[2];
        f.edit("EditTxAuxName")->setText("typed");
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().NumTx, 1);
        QVERIFY(f.cfg().Tx[2] == before);
    }

    void everyLoadShowsExactlyTheModel()
    {
        // After a dual-moment file, a file with nothing of a configuration in it: no corner of the
        // earlier loop may survive in the panels, or Refresh would commit it as a phantom loop.
        Loaded f;
        const std::string junk = f.dir.path().toStdString() + "/junk.GEX";
        WriteText(junk, "not a configuration at all\n");
        f.form->LoadFile(QString::fromStdString(junk));
        QVERIFY(!f.op.messages.empty());
        QCOMPARE(f.op.messages.front(),
                 "No configuration sections were found in " + junk + " - the defaults are shown");
        const TTransmitter loaded = f.cfg().Tx[1];
        QCOMPARE(f.cfg().NumTx, 1);
        QVERIFY(!f.get<QCheckBox>("CheckBoxUseAuxTx")->isChecked());
        QVERIFY(f.get<QGroupBox>("GroupBoxTxAux")->isHidden());
        auto* sides = f.get<QSpinBox>("SpinEditTxDefSides");
        QCOMPARE(sides->value(), loaded.LoopSides);
        auto* grid = f.get<QTableWidget>("StringGridTxDef");
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 1; c <= 3; ++c) {
                const QString text = grid->item(r, c) ? grid->item(r, c)->text() : QString();
                const double node[3] = {loaded.NodeX[r], loaded.NodeY[r], loaded.NodeZ[r]};
                QVERIFY2(r < loaded.LoopSides ? text.toDouble() == std::round(node[c - 1] * 1000) / 1000
                                              : text.isEmpty(),
                         qPrintable(QString("row %1 column %2: %3").arg(r).arg(c).arg(text)));
            }
        f.form->ButtonRefreshGraphClick();
        const TTransmitter& after = f.cfg().Tx[1];
        QCOMPARE(after.LoopSides, loaded.LoopSides);
        for (int k = 0; k <= loaded.LoopSides; ++k) {
            QCOMPARE(after.NodeX[k], loaded.NodeX[k]);
            QCOMPARE(after.NodeY[k], loaded.NodeY[k]);
        }
        QCOMPARE(int(f.form->chart()->series(0).points.size()),
                 loaded.LoopSides > 0 ? loaded.LoopSides + 1 : 0);

        // A model with fewer corners than the last one shown: the rows beyond are emptied.
        Loaded g;
        g.cfg().Tx[1].LoopSides = 3;
        g.form->PopulateConfigForm();
        auto* grid3 = g.get<QTableWidget>("StringGridTxDef");
        QCOMPARE(grid3->rowCount(), 3);
        g.get<QSpinBox>("SpinEditTxDefSides")->setValue(4);
        QVERIFY(!grid3->item(3, 1) || grid3->item(3, 1)->text().isEmpty());
    }

    void unchangedNumbersKeepTheirExactModelValues()
    {
        // The panels show rounded numbers ("%8.3f", "%10.1f"); a commit that the operator made
        // without touching them must not round the model.
        Loaded f;
        TReceiver& rx = f.cfg().Rx[1];
        rx.AreaSingleTurn = 0.5;
        rx.EquivRadius = 0.39894228;
        rx.XSideLength = rx.YSideLength = 0.70710678;
        rx.PreBinAppliedRxDelay = 1.23456789e-6;
        TTransmitter& tx = f.cfg().Tx[1];
        tx.Damping = 330.25;
        tx.LPFilterOrderandCutoff[1] = 12345.678;
        tx.NodeX[1] = 20.00049;
        f.form->PopulateConfigForm();
        QCOMPARE(f.rx(1)->value("EquivRadius"), QString("   0.399"));
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(rx.EquivRadius, 0.39894228);
        QCOMPARE(rx.XSideLength, 0.70710678);
        QCOMPARE(rx.YSideLength, 0.70710678);
        QCOMPARE(rx.PreBinAppliedRxDelay, 1.23456789e-6);
        QCOMPARE(tx.Damping, 330.25);
        QCOMPARE(tx.LPFilterOrderandCutoff[1], 12345.678);
        QCOMPARE(tx.NodeX[1], 20.00049);
        // A number the operator typed is taken as typed.
        f.rx(1)->setValue("EquivRadius", "0.4");
        f.edit("LabeledEditTxDefDamp")->setText("331");
        f.get<QTableWidget>("StringGridTxDef")->item(1, 1)->setText("21");
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(rx.EquivRadius, 0.4);
        QCOMPARE(tx.Damping, 331.0);
        QCOMPARE(tx.NodeX[1], 21.0);
    }

    void fitsASmallFieldLaptopScreen()
    {
        // 1024 x 600, less a title bar and a panel.
        Loaded f;
        f.form->resize(1024, 560);
        f.form->show();
        QTest::qWait(20);
        const QSize least = f.form->minimumSizeHint().expandedTo(f.form->minimumSize());
        QVERIFY2(least.width() <= 1024 && least.height() <= 560,
                 qPrintable(QString("%1 x %2").arg(least.width()).arg(least.height())));
        QVERIFY(f.form->width() <= 1024 && f.form->height() <= 560);
    }

    void loopNodesCommitAndClose()
    {
        Loaded f;
        f.get<QSpinBox>("SpinEditTxDefSides")->setValue(4);
        auto* grid = f.get<QTableWidget>("StringGridTxDef");
        const double pts[4][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                grid->setItem(r, c + 1, new QTableWidgetItem(QString::number(pts[r][c])));
        f.form->UserInterfaceToConfigVars();
        const TTransmitter& t = f.cfg().Tx[1];
        QCOMPARE(t.LoopSides, 4);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(t.NodeX[k], pts[k][0]);
            QCOMPARE(t.NodeZ[k], pts[k][2]);
        }
        QCOMPARE(t.NodeX[4], 1.0);
        QCOMPARE(t.NodeY[4], 2.0);
        QCOMPARE(t.NodeZ[4], 3.0);

        // More sides: rows are added and numbered, typed cells stay.
        f.get<QSpinBox>("SpinEditTxDefSides")->setValue(6);
        QCOMPARE(grid->rowCount(), 6);
        QCOMPARE(grid->item(5, 0)->text(), QString("6"));
        QCOMPARE(grid->item(3, 1)->text(), QString("10"));
    }

    void loopsKeepEveryVertexTheModelHolds()
    {
        // A 50-vertex loop (a circle of radius 20 m) survives a commit with all its vertices and
        // its area; lowering the count hides vertices, raising it again before a commit brings
        // them back.
        Loaded f;
        TTransmitter& t = f.cfg().Tx[1];
        t.LoopSides = 50;
        for (int k = 0; k <= 50; ++k) {
            const double a = 2 * std::numbers::pi * (k % 50) / 50;
            t.NodeX[k] = 20 * std::cos(a);
            t.NodeY[k] = 20 * std::sin(a);
            t.NodeZ[k] = -0.5;
        }
        CalculateDrivenVariables(f.cfg(), f.op);
        const TTransmitter loaded = t;
        f.form->PopulateConfigForm();
        auto* sides = f.get<QSpinBox>("SpinEditTxDefSides");
        QCOMPARE(sides->value(), 50);
        QVERIFY(sides->maximum() >= MaxLoopSides);
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(t.LoopSides, 50);
        QCOMPARE(t.NodeX, loaded.NodeX);
        QCOMPARE(t.NodeY, loaded.NodeY);
        QCOMPARE(t.Area, loaded.Area);

        sides->setValue(4);
        sides->setValue(50);
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(t.NodeX, loaded.NodeX);
        QCOMPARE(t.Area, loaded.Area);

        // Committed at 4 sides, the other vertices are given up.
        sides->setValue(4);
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(t.LoopSides, 4);
        sides->setValue(6);
        auto* grid = f.get<QTableWidget>("StringGridTxDef");
        QVERIFY(!grid->item(5, 1) || grid->item(5, 1)->text().isEmpty());
    }

    void theWheelScrollsAndEditsOnlyTheFocusedControl()
    {
        // Scrolling the panel over a spin box, a combo box or a bar changes nothing; the wheel
        // scrolls the panel. Only a control with keyboard focus takes the wheel.
        Loaded f;
        f.form->resize(1024, 560);
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        auto* sides = f.get<QSpinBox>("SpinEditTxDefSides");
        auto* numRx = f.get<QComboBox>("ComboBoxNumRx");
        auto* amps = f.bar("TrackBarDefCurr");
        QVERIFY((sides->focusPolicy() & Qt::WheelFocus) != Qt::WheelFocus);
        QScrollArea* panel = nullptr;
        for (QWidget* w = sides->parentWidget(); w && !panel; w = w->parentWidget())
            panel = qobject_cast<QScrollArea*>(w);
        QVERIFY(panel);
        QScrollBar* scroll = panel->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum() / 2);
        const int at = scroll->value();
        auto wheel = [](QWidget* w) {
            const QPointF p(w->width() / 2.0, w->height() / 2.0);
            QWheelEvent e(p, w->mapToGlobal(p), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &e);
        };
        const int sidesBefore = sides->value(), rxBefore = numRx->currentIndex(), ampsBefore = amps->value();
        for (QWidget* w : std::initializer_list<QWidget*>{sides, numRx, amps})
            wheel(w);
        QCOMPARE(sides->value(), sidesBefore);
        QCOMPARE(numRx->currentIndex(), rxBefore);
        QCOMPARE(amps->value(), ampsBefore);
        QVERIFY(scroll->value() > at);

        // The same in a satellite window.
        TFormTimeBase timeBase(f.cfg(), f.session.folders, f.op, f.dialogs, f.form.get());
        timeBase.show();
        auto* gateSet = timeBase.findChild<QComboBox*>("ComboBoxDefName");
        QVERIFY(gateSet);
        const int nameBefore = gateSet->currentIndex();
        wheel(gateSet);
        QCOMPARE(gateSet->currentIndex(), nameBefore);
        timeBase.hide();

        // With focus, the control takes the wheel.
        sides->setFocus();
        QTRY_VERIFY(sides->hasFocus());
        wheel(sides);
        QCOMPARE(sides->value(), sidesBefore - 1);
    }

    void textThatIsNotANumberTakesTheFallback()
    {
        struct Case {
            const char* edit;
            const char* text;
            double TTransmitter::*field;
            double expected;
        };
        const Case cases[] = {
            {"LabeledEditTxDefDamp", "abc", &TTransmitter::Damping, 330},
            {"LabeledEditDefFlyLead", "abc", &TTransmitter::FlyingLeadLength, 1.5},
            {"LabeledEditDefTilt", "1,2,3", &TTransmitter::AxisTilt, 0},
            {"LabeledEditDefRotation", "", &TTransmitter::AxisRotation, 0},
            {"LabeledEditTxAuxDamp", "1e999", &TTransmitter::Damping, 330},
        };
        for (const Case& c : cases) {
            Loaded f;
            f.edit(c.edit)->setText(c.text);
            f.form->UserInterfaceToConfigVars();
            const int tx = QString(c.edit).contains("Aux") ? 2 : 1;
            QCOMPARE(f.cfg().Tx[tx].*(c.field), c.expected);
        }
        Loaded f;
        f.edit("LabeledEditTxDefCutoff")->setText("abc");
        f.edit("LabeledEditTxDefFilterOrder")->setText("x");
        f.edit("LabeledEditTxDefTurns")->setText("two");
        f.get<QComboBox>("ComboBoxNumRx")->setEditText("many");
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().Tx[1].LPFilterOrderandCutoff[1], 30000.0);
        QCOMPARE(f.cfg().Tx[1].LPFilterOrderandCutoff[0], 1.0);
        QCOMPARE(f.cfg().Tx[1].Turns, 1);
        QCOMPARE(f.cfg().NumRx, 1);
        QVERIFY(f.op.messages.empty());
    }

    void transmitterChecks()
    {
        Loaded f;
        f.edit("LabeledEditDefOrient")->clear();
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().Tx[1].AxisOrient, std::string("Z"));
        QCOMPARE(f.edit("LabeledEditDefOrient")->text(), QString("Z"));
        QVERIFY(f.op.messages.empty());

        f.edit("LabeledEditDefOrient")->setText("z");
        f.edit("LabeledEditTxAuxTurns")->setText("0");
        f.edit("LabeledEditTxAuxDamp")->setText("0.5");
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().Tx[1].AxisOrient, std::string("z"));
        const std::vector<std::string> expected = {
            "Transmitter Axis Orientation must be either Z, X, or Y", "Transmitter Turns must be at least 1",
            "Transmitter Damping must be at least 1 ohm, type 10000 for no damping"};
        QCOMPARE(f.op.messages, expected);

        // The same checks when the window is filled.
        f.op.messages.clear();
        f.form->PopulateConfigForm();
        QCOMPARE(f.op.messages, expected);
    }

    // ---- Track bars ----------------------------------------------------------------------------

    void movingABarWritesItsEditWithoutTheFlag()
    {
        Loaded f;
        f.bar("TrackBarDefVolt")->setValue(12345);
        QCOMPARE(f.edit("LabeledEditDefVolts")->text(), QString("12.345"));
        QVERIFY(!f.form->transmitterPanel(1)->voltsTyped());
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().Tx[1].Volts, 12.345);
    }

    void leavingAValueEditSetsTheBar()
    {
        struct Case {
            const char* edit;
            const char* bar;
            const char* text;
            int position;
        };
        const Case cases[] = {
            {"LabeledEditDefAmps", "TrackBarDefCurr", "9.9999", 9999},
            {"LabeledEditDefVolts", "TrackBarDefVolt", "9.9999", 10000},
            {"LabeledEditDefVolts", "TrackBarDefVolt", "12.3445", 12344},
            {"LabeledEditDefVolts", "TrackBarDefVolt", "abc", 3300},
            {"LabeledEditAuxVolts", "TrackBarAuxVolt", "9.9999", 9999},
            {"LabeledEditAuxAmps", "TrackBarAuxCurr", "abc", 36000},
            {"LabeledEditDefAmps", "TrackBarDefCurr", "50", 45000},
        };
        for (const Case& c : cases) {
            Loaded f;
            f.typeAndLeave(c.edit, c.text);
            QCOMPARE(f.bar(c.bar)->value(), c.position);
            QCOMPARE(f.edit(c.edit)->text(), QString(c.text));
        }
        // A value held at the bar's maximum is committed as the maximum.
        Loaded f;
        f.typeAndLeave("LabeledEditDefAmps", "50");
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().Tx[1].Amps, 45.0);
        // Leaving an edit whose text did not change does not touch the bar.
        f.bar("TrackBarDefCurr")->setValue(20000);
        emit f.edit("LabeledEditDefAmps")->editingFinished();
        QCOMPARE(f.bar("TrackBarDefCurr")->value(), 20000);
    }

    void limitEditsActOnEveryKeystroke()
    {
        Loaded f;
        QCOMPARE(f.bar("TrackBarDefCurr")->value(), 36000);
        QLineEdit* max = f.edit("LabeledEditDefMaxAmps");
        max->clear();
        QCOMPARE(f.bar("TrackBarDefCurr")->maximum(), 45000);
        QTest::keyClick(max, Qt::Key_5);
        QCOMPARE(f.bar("TrackBarDefCurr")->maximum(), 5000);
        QCOMPARE(f.bar("TrackBarDefCurr")->value(), 5000);
        QCOMPARE(f.edit("LabeledEditDefAmps")->text(), QString("5"));
        QTest::keyClick(max, Qt::Key_0);
        QCOMPARE(f.bar("TrackBarDefCurr")->maximum(), 50000);
        QCOMPARE(f.bar("TrackBarDefCurr")->value(), 5000);

        // A maximum below the minimum, or a minimum above the maximum, is not taken.
        f.edit("LabeledEditDefMaxVolts")->setText("0.0001");
        QCOMPARE(f.bar("TrackBarDefVolt")->maximum(), 18000);
        f.edit("LabeledEditDefMinAmps")->setText("60");
        QCOMPARE(f.bar("TrackBarDefCurr")->minimum(), 0);
    }

    void storedLimitsAndValuesSurviveACommit()
    {
        Loaded f;
        TTransmitter& t = f.cfg().Tx[1];
        t.VoltsMin = 3.3;
        t.Volts = 4.1;
        t.VoltsMax = 4.1;
        t.AmpsMin = 1;
        t.Amps = 50;
        t.AmpsMax = 60;
        f.form->PopulateConfigForm();
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(t.VoltsMin, 3.3);
        QCOMPARE(t.Volts, 4.1);
        QCOMPARE(t.VoltsMax, 4.1);
        QCOMPARE(t.Amps, 50.0);
        QCOMPARE(t.AmpsMax, 60.0);
        QCOMPARE(f.edit("LabeledEditDefMaxVolts")->text(), QString("4.100"));
    }

    // ---- Moment rules --------------------------------------------------------------------------

    void momentRules()
    {
        { // Ticking the auxiliary transmitter with one transmitter gives LM and HM, silently.
            Loaded f;
            f.cfg().NumTx = 1;
            f.cfg().Tx[1].MomentID = TMomentID::SingleM;
            f.cfg().Tx[2] = TTransmitter{}; // never described: starts as a copy of the first
            f.get<QCheckBox>("CheckBoxUseAuxTx")->setChecked(false);
            f.form->PopulateConfigForm();
            f.get<QCheckBox>("CheckBoxUseAuxTx")->click();
            QCOMPARE(f.cfg().Tx[2].Name, std::string("LowMoment"));
            QCOMPARE(f.edit("LabeledEditTxAuxTurns")->text(), QString("1"));
            QCOMPARE(f.cfg().NumTx, 2);
            QCOMPARE(f.cfg().Tx[1].MomentID, TMomentID::LM);
            QCOMPARE(f.cfg().Tx[2].MomentID, TMomentID::HM);
            QVERIFY(!f.get<QGroupBox>("GroupBoxTxAux")->isHidden());
            QVERIFY(f.op.messages.empty());
            // Unticking goes back to one single-moment transmitter.
            f.get<QCheckBox>("CheckBoxUseAuxTx")->click();
            QCOMPARE(f.cfg().NumTx, 1);
            QCOMPARE(f.cfg().Tx[1].MomentID, TMomentID::SingleM);
        }
        { // Both High: refused, LM and HM.
            Loaded f;
            f.get<RadioGroup>("RadioGroupDefMoment")->button(2)->click();
            QVERIFY(
                f.shownStartingWith("If both transmitter moments exist then moments should be identified"));
            QCOMPARE(f.cfg().Tx[1].MomentID, TMomentID::LM);
            QCOMPARE(f.cfg().Tx[2].MomentID, TMomentID::HM);
            QCOMPARE(f.get<RadioGroup>("RadioGroupDefMoment")->itemIndex(), 1);
        }
        { // High and Low: accepted after the convention message.
            Loaded f;
            f.get<RadioGroup>("RadioGroupAuxMoment")->setItemIndex(1);
            f.get<RadioGroup>("RadioGroupDefMoment")->button(2)->click();
            QVERIFY(f.shown(
                "Convention is to Have TxDef as LM and TxAux as HM if both are in use. Consider swapping."));
            QCOMPARE(f.cfg().Tx[1].MomentID, TMomentID::HM);
            QCOMPARE(f.cfg().Tx[2].MomentID, TMomentID::LM);
        }
        { // Low with one transmitter: Single again, silently.
            Loaded f;
            f.cfg().NumTx = 1;
            f.cfg().Tx[1].MomentID = TMomentID::SingleM;
            f.get<QCheckBox>("CheckBoxUseAuxTx")->setChecked(false);
            f.form->PopulateConfigForm();
            f.get<RadioGroup>("RadioGroupDefMoment")->button(1)->click();
            QCOMPARE(f.cfg().Tx[1].MomentID, TMomentID::SingleM);
            QCOMPARE(f.get<RadioGroup>("RadioGroupDefMoment")->itemIndex(), 0);
            QVERIFY(f.op.messages.empty());
        }
    }

    // ---- Receiver panels -----------------------------------------------------------------------

    void receiverEditorsShowReceiverOneBeyondTheCount()
    {
        Loaded f;
        f.cfg().NumRx = 1;
        f.form->PopulateConfigForm();
        QCOMPARE(f.rx(3)->value("Name"), QString("Rx1"));
        QCOMPARE(f.rx(2)->keyTitle(), QString("Receiver 2 Key"));
        f.rx(2)->setValue("Name", "typed into the second editor");
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().Rx[2].Name, std::string("Rx2"));
        QCOMPARE(f.cfg().Rx[1].Name, std::string("Rx1"));
        // Only one editor is visible, chosen by "Display Rx".
        f.get<RadioGroup>("RadioGroupRx")->button(2)->click();
        QVERIFY(f.rx(1)->isHidden() && f.rx(2)->isHidden() && !f.rx(3)->isHidden());
    }

    void receiverDerivedValuesAndChecks()
    {
        Loaded f;
        KeyValueEditor* e = f.rx(1);
        e->setValue("Turns", "10");
        e->setValue("AreaSingleTurn", "1.588");
        e->setValue("PreAmpGain", "34");
        e->setValue("AreaNumTurnsxPreAmpxSingleTurn", "");
        e->setValue("EquivRadius", "");
        e->setValue("XSideLength", "");
        e->setValue("RxType", "dbdt");
        e->setValue("Shape", "Circle");
        e->setValue("Orientation", "ZX");
        e->setValue("PreBinAppliedRxDelay", "   0.0000020");
        f.form->UserInterfaceToConfigVars();
        const TReceiver& r = f.cfg().Rx[1];
        QCOMPARE(r.AreaNumTurnsxPreAmpxSingleTurn, 10 * 1.588 * 34);
        QCOMPARE(e->value("AreaNumTurnsxPreAmpxSingleTurn"), QString("    539.9200"));
        QCOMPARE(e->value("EquivRadius"), QString("      0.7110"));
        QCOMPARE(e->value("XSideLength"), QString("      1.2602"));
        QCOMPARE(e->value("YSideLength"), QString("      1.2602"));
        QCOMPARE(r.RxType, TRxType::rxtypedBdt);
        QCOMPARE(r.PreBinAppliedRxDelay, 2e-6);
        QVERIFY2(f.op.messages.empty(), f.op.messages.empty() ? "" : f.op.messages.front().c_str());
        f.form->PopulateConfigForm();
        QCOMPARE(f.rx(1)->value("PreBinAppliedRxDelay"), QString("   0.0000020"));

        e = f.rx(1);
        e->setValue("XSideLength", "0.8");
        e->setValue("YSideLength", "0.5");
        e->setValue("Shape", "");
        e->setValue("AreaNumTurnsxPreAmpxSingleTurn", "600");
        e->setValue("RxType", "B");
        e->setValue("Orientation", "W");
        f.form->UserInterfaceToConfigVars();
        QCOMPARE(f.cfg().Rx[1].RxType, TRxType::rxtypeB);
        const std::vector<std::string> expected = {
            "Rx Coil Orientation detected as \"W but can only be Z, X or Y",
            "For Rx1, AreaNumTurnsxPreAmpxSingleTurn =      600 IS NOT exactly EQUAL TO AreaSingleTurn x "
            "Turns x "
            "PreAmpGain =     539.92",
            "For Rx1, Shape =  is not recognised. Available options are POLYGON CIRCLE OCTAGON SEPTAGON "
            "HEXAGON "
            "PENTAGON SQUARE TRIANGLE RECTANGLE. Further checks are not possible",
            "Rectangle side lengths do not multiply to EXACTLY give AreaSingleTurn. Leave blank to force "
            "recalculation "
            "as equal lengths."};
        QCOMPARE(f.op.messages, expected);
    }

    void polygonReceiverNodes()
    {
        Loaded f;
        f.cfg().Rx[1].Shape = "polygon";
        f.cfg().Rx[1].Loopsides = 3;
        f.form->PopulateConfigForm();
        KeyValueEditor* e = f.rx(1);
        QCOMPARE(e->value("Loopsides"), QString("3"));
        const QStringList keys = e->keys();
        QCOMPARE(keys.mid(keys.indexOf("NodeX00"), 4),
                 (QStringList{"NodeX00", "NodeY00", "NodeZ00", "NodeX01"}));
        QVERIFY(keys.contains("NodeZ03") && !keys.contains("NodeX04"));

        // Without the node keys: four sides and nodes on the unit circle at -0.3.
        for (const QString& k : keys)
            if (k.startsWith("Node") || k == "Loopsides")
                e->deleteRow(e->findRow(k));
        f.form->UserInterfaceToConfigVars();
        const TReceiver& r = f.cfg().Rx[1];
        QCOMPARE(r.Loopsides, 4);
        QCOMPARE(r.NodeX[2], std::sin(2.0));
        QCOMPARE(r.NodeY[2], std::cos(2.0));
        QCOMPARE(r.NodeZ[4], -0.3);
    }

    // ---- Layout diagram ------------------------------------------------------------------------

    void diagramSeriesAndMarks()
    {
        Loaded f;
        f.form->DrawVehicle();
        f.form->DrawTEMConfig();
        PointChart3D* ch = f.form->chart();
        QCOMPARE(ch->series(0).title, QString("TxDefault"));
        QCOMPARE(ch->series(0).points.size(), std::size_t(5));
        // One mark per corner, numbered as the node table numbers them; the closing point has none.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(ch->markText(0, i), QString("Node %1").arg(i + 1));
        QCOMPARE(ch->markText(0, 4), QString());
        QCOMPARE(ch->series(0).points[4].x, ch->series(0).points[0].x);
        QCOMPARE(ch->series(1).title, QString("TxAuxilliary"));
        QCOMPARE(ch->series(2).points.size(), std::size_t(8)); // centroid and outline
        QCOMPARE(ch->markText(2, 0), QString("Rx1"));
        QCOMPARE(ch->markText(2, 3), QString()); // one mark per coil, at its centroid
        QVERIFY(ch->series(4).points.empty());   // NumRx = 2: no third receiver
        QCOMPARE(ch->series(5).points.size(), std::size_t(1));
        QCOMPARE(ch->markText(5, 0), QString("GNSS"));
        const QStringList vehicleMarks = {"Trailer", "Wheel", "Wheel", "",      "TowBall", "Fixed", "Wheel",
                                          "Wheel",   "",      "Steer", "Wheel", "Wheel",   ""};
        QCOMPARE(int(ch->series(6).points.size()), 13);
        for (int i = 0; i < 13; ++i)
            QCOMPARE(ch->markText(6, i), vehicleMarks[i]);
        QCOMPARE(ch->series(6).points[10].y, 1.0);

        f.cfg().Vehicle.Propulsion = TPropulsion::propWalked;
        f.form->DrawVehicle();
        QVERIFY(ch->series(6).points.empty());
        QCOMPARE(ch->series(5).points.size(), std::size_t(1));

        // An auxiliary loop of its own has marks of its own.
        QCOMPARE(ch->markText(1, 0), QString("Node 1"));
        QCOMPARE(ch->markText(1, 4), QString());
        // Laid on the default loop's corners, one mark per corner stands for both loops; where the
        // numbers differ it names the auxiliary node.
        TTransmitter& aux = f.cfg().Tx[2];
        const TTransmitter& def = f.cfg().Tx[1];
        for (int shift : {0, 1}) {
            for (int k = 0; k < 4; ++k) {
                aux.NodeX[k] = def.NodeX[(k + shift) % 4];
                aux.NodeY[k] = def.NodeY[(k + shift) % 4];
                aux.NodeZ[k] = def.NodeZ[(k + shift) % 4];
            }
            f.form->DrawTEMConfig();
            for (int i = 0; i < 5; ++i)
                QCOMPARE(ch->markText(1, i), QString());
            QCOMPARE(ch->markText(0, 0), shift == 0 ? QString("Node 1") : QString("Node 1 (Tx2 node 4)"));
        }
    }

    void diagramRepairsReceivers()
    {
        Loaded f;
        TReceiver& r = f.cfg().Rx[1];
        r.AreaSingleTurn = 0;
        r.Turns = 10;
        r.PreAmpGain = 34;
        r.AreaNumTurnsxPreAmpxSingleTurn = 540;
        r.XSideLength = r.YSideLength = 0;
        TReceiver& s = f.cfg().Rx[2];
        s.AreaSingleTurn = s.AreaNumTurnsxPreAmpxSingleTurn = s.PreAmpGain = 0;
        s.Turns = 0;
        s.XSideLength = s.YSideLength = 0;
        f.form->DrawTEMConfig();
        QCOMPARE(r.AreaSingleTurn, 540.0 / 340.0);
        QVERIFY(std::abs(r.XSideLength - 1.2603) < 1e-4 && r.YSideLength == r.XSideLength);
        const auto& pts = f.form->chart()->series(2).points;
        QVERIFY(std::abs((pts[2].x - pts[4].x) - r.XSideLength) < 1e-12);
        QCOMPARE(s.Turns, 1);
        QCOMPARE(s.PreAmpGain, 1.0);
        QCOMPARE(s.AreaNumTurnsxPreAmpxSingleTurn, 1.0);
        QCOMPARE(s.AreaSingleTurn, 1.0);
        QCOMPARE(s.XSideLength, 1.0);
    }

    void diagramScalesAndViews()
    {
        PointChart3D ch;
        ch.addSeries({"a", Qt::red, 1, PointSymbol::Rectangle, {{0, 0, 0}, {20, 10, 2}}, {}});
        ch.equaliseScales();
        QCOMPARE(ch.bottomAxisEndPercent(), 100.0);
        QCOMPARE(ch.leftAxisStartPercent(), 50.0);
        QCOMPARE(ch.depthAxisEndPercent(), 10.0);

        Loaded f;
        f.get<RadioGroup>("RadioGroupView")->button(1)->click();
        QVERIFY(!f.form->chart()->view3D());
        f.form->chart()->setRotation(90);
        f.get<RadioGroup>("RadioGroupView")->button(0)->click();
        QVERIFY(f.form->chart()->view3D());
        QCOMPARE(f.form->chart()->rotation(), 0.0);
        // Steep enough that heights show: the antenna above the ground is drawn above the ground.
        QVERIFY(f.form->chart()->elevation() >= 45.0);

        // The image export writes a PNG of the chart as drawn.
        f.form->DrawTEMConfig();
        const QString png = f.dir.filePath("diagram.png");
        QVERIFY(f.form->chart()->exportPng(png, QSize(400, 300)));
        QImage img(png);
        QCOMPARE(img.size(), QSize(400, 300));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
