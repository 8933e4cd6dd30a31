// The time base window driven through its named controls with a recording operator.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "config/TFormTimeBase.h"
#include "core/files/value_forms.h"
#include "core/rules/timebase_rules.h"
#include "editor_fixture.h"
#include "qcustomplot.h"
#include "widgets/RadioGroup.h"

using namespace tem::gui;

class TimeBaseTest : public QObject {
    Q_OBJECT

    struct Window {
        tem::Configuration cfg = fixture::DualMoment();
        QTemporaryDir dir;
        tem::DataFolders folders = fixture::FoldersIn(dir);
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        std::unique_ptr<TFormTimeBase> form;

        void open()
        {
            form = std::make_unique<TFormTimeBase>(cfg, folders, op, dialogs);
            form->show();
        }
        template <class T> T* get(const char* name)
        {
            T* w = form->findChild<T*>(name);
            if (!w)
                qFatal("no control %s", name);
            return w;
        }
        QTableWidget* grid(const char* name) { return get<QTableWidget>(name); }
        void setCell(const char* name, int row, int col, const QString& text)
        {
            grid(name)->item(row, col)->setText(text);
        }
    };

  private slots:
    void showsTheModel()
    {
        Window w;
        w.cfg.Tx[1].FullWaveformRepetitionFrequency = 240; // a 60 Hz row on a 50 Hz base
        w.open();
        QVERIFY(w.op.messages.empty());
        auto* def = w.get<RadioGroup>("RadioGroupDefFreq");
        QCOMPARE(def->itemIndex(), 0);
        QCOMPARE(def->itemText(0), QString("200"));
        QCOMPARE(w.get<RadioGroup>("RadioGroupBaseFreq")->itemIndex(), 0);
        QCOMPARE(w.get<RadioGroup>("RadioGroupAuxFreq")->itemIndex(), 2); // 25 Hz
        QCOMPARE(w.get<RadioGroup>("RadioGroupDefSampleRate")->itemIndex(), 2);
        QCOMPARE(w.get<QLabel>("LabelAuxPeriod")->text(),
                 QString("Waveform period mS: 40.000000000000000000"));
        QCOMPARE(w.get<QLabel>("LabelAuxOffOn")->text(),
                 QString("Off/On duration mS: 10.000000000000000000"));
        QCOMPARE(w.get<QLabel>("LabelAuxSampleTime")->text(), QString("Sampling time (sec):    1.2800000"));
        // Every gate a time base holds has a row.
        QTableWidget* gates = w.grid("StringGridDefTimeGates");
        QCOMPARE(gates->rowCount(), 255);
        QCOMPARE(gates->item(254, 0)->text(), QString("255"));
        QCOMPARE(gates->item(1, 1)->text(), QString("   0.0000400"));
        QTableWidget* d = w.grid("StringGridChnDelays");
        QCOMPARE(d->columnCount(), 3);
        QCOMPARE(d->item(0, 0)->text(), QString("ChnDelays"));
        QCOMPARE(d->item(0, 2)->text(), QString("AcqChn02"));
        QCOMPARE(d->item(6, 2)->text(), QString("2"));
        QVERIFY(w.get<QWidget>("WidgetAuxTxControls")->isVisible());
        QVERIFY(w.get<QWidget>("WidgetAuxGateControls")->isVisible());
        // Closing without edits changes nothing but the 240 Hz shown as the 200 Hz row.
        tem::Configuration before = w.cfg;
        w.form->accept();
        QVERIFY(!w.form->isVisible());
        QCOMPARE(w.cfg.Tx[1].FullWaveformRepetitionFrequency, 200.0);
        before.Tx[1].FullWaveformRepetitionFrequency = 200;
        before.Tx[1].drivenWaveformPeriod = w.cfg.Tx[1].drivenWaveformPeriod;
        before.Tx[1].drivenWaveformOffOnDuration = w.cfg.Tx[1].drivenWaveformOffOnDuration;
        before.Tx[1].drivenSamplingTime = w.cfg.Tx[1].drivenSamplingTime;
        before.Tx[2] = w.cfg.Tx[2];
        before.SysResp = w.cfg.SysResp;
        QVERIFY(w.cfg == before);
    }

    void baseFrequencyMovesStandardFrequencies()
    {
        Window w;
        w.cfg.Tx[1].FullWaveformRepetitionFrequency = 12.5;
        w.cfg.Tx[2].FullWaveformRepetitionFrequency = 100;
        w.open();
        w.get<RadioGroup>("RadioGroupBaseFreq")->button(1)->click();
        QCOMPARE(w.cfg.Tx[1].FullWaveformRepetitionFrequency, 15.0);
        QCOMPARE(w.cfg.Tx[2].FullWaveformRepetitionFrequency, 120.0);
        QCOMPARE(w.get<RadioGroup>("RadioGroupDefFreq")->itemText(3), QString("15"));
        QCOMPARE(w.get<RadioGroup>("RadioGroupAuxFreq")->itemText(1), QString("120"));
        // "Other" keeps its value; picking a row stores that row's frequency for the base.
        auto* other = w.get<QLineEdit>("EditDefOtherFreq");
        other->setText("1055");
        w.get<RadioGroup>("RadioGroupDefFreq")->button(4)->click();
        QCOMPARE(w.cfg.Tx[1].FullWaveformRepetitionFrequency, 1055.0);
        w.get<RadioGroup>("RadioGroupBaseFreq")->button(0)->click();
        QCOMPARE(w.cfg.Tx[1].FullWaveformRepetitionFrequency, 1055.0);
        w.get<RadioGroup>("RadioGroupDefFreq")->button(2)->click();
        QCOMPARE(w.cfg.Tx[1].FullWaveformRepetitionFrequency, 25.0);
    }

    void zeroGatesUsedCountsTheGatesInTheOffTime()
    {
        Window w;
        w.cfg.Tx[2].NoGates = 0; // 25 Hz: off time 10 ms
        tem::TTimeBase& tb = w.cfg.TimeBase[2];
        tb.NumGatesInSet = 3;
        tb.drivenGateEnd[1] = 5e-3;
        tb.drivenGateEnd[2] = 9.9e-3;
        tb.drivenGateEnd[3] = 10.1e-3;
        w.open();
        QCOMPARE(w.cfg.Tx[2].NoGates, 2);
        QCOMPARE(w.get<QLineEdit>("EditAuxNoGates")->text(), QString("2"));
    }

    void gatesInRampAndTimeline()
    {
        Window w;
        w.cfg.TxWaveform[1].drivenRamp = 100e-6; // allowance 110 us: starts 8, 36, 84 us count
        w.open();
        QCOMPARE(w.cfg.SysResp[1].drivenGatesInRamp, 3);
        QCOMPARE(w.grid("StringGridChnDelays")->item(9, 1)->text(), QString("3"));
        auto* chart = w.get<QCustomPlot>("ChartTimeLine");
        QCOMPARE(chart->graphCount(), 3);
        QCOMPARE(chart->graph(0)->name(), QString("Shifted Output File Gate Centres"));
        QCOMPARE(chart->graph(0)->dataCount(), 20);
        QCOMPARE(chart->graph(2)->dataCount(), 2); // ramp points from time 0
        QCOMPARE(chart->xAxis->scaleType(), QCPAxis::stLogarithmic);
        // The axis reaches a little beyond the last gate, so its marker is drawn whole.
        QVERIFY(chart->xAxis->range().upper > 4000e-6 * 1.1 && chart->xAxis->range().upper < 4000e-6 * 2);
        // A log axis has no time 0: the ramp starts at the axis's left end.
        QCOMPARE(chart->graph(2)->data()->begin()->key, tem::TimelineLogStart);
        w.get<RadioGroup>("RadioGroupTimeScale")->button(0)->click();
        QCOMPARE(chart->xAxis->scaleType(), QCPAxis::stLinear);
        QVERIFY(chart->xAxis->range().upper > 1000e-6 && chart->xAxis->range().upper < 1100e-6);
        QCOMPARE(chart->graph(2)->data()->begin()->key, 0.0);
        // A shift typed into the delays grid reaches the model and the confirmation rows at once.
        w.setCell("StringGridChnDelays", 2, 1, "0.00005");
        QCOMPARE(w.cfg.AcqChn[1].GateTimeShift, 5e-5);
        QCOMPARE(w.grid("StringGridChnDelays")->item(5, 1)->text(), QString("   0.0000600"));
        QCOMPARE(w.cfg.SysResp[1].drivenGatesInRamp, 4); // 134 us - 50 us now starts inside too
    }

    void readOnlyDelayRowsRefuseSelection()
    {
        Window w;
        w.open();
        QTableWidget* d = w.grid("StringGridChnDelays");
        d->setCurrentCell(2, 1);
        QVERIFY(w.op.messages.empty());
        d->setCurrentCell(5, 1);
        QCOMPARE(w.op.messages.size(), size_t(1));
        QVERIFY(QString::fromStdString(w.op.messages[0]).startsWith("This row is Read Only"));
        QCOMPARE(d->currentRow(), 2);

        // A click with the mouse: refused with the same message, selection and current cell stay.
        d->setCurrentCell(1, 2);
        const QList<QTableWidgetItem*> selected = d->selectedItems();
        const QRect cell = d->visualItemRect(d->item(6, 1));
        QTest::mouseClick(d->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w.op.messages.size(), size_t(2));
        QVERIFY(QString::fromStdString(w.op.messages[1]).startsWith("This row is Read Only"));
        QCOMPARE(d->currentRow(), 1);
        QCOMPARE(d->currentColumn(), 2);
        QCOMPARE(d->selectedItems(), selected);
        // An editable row still takes the click.
        QTest::mouseClick(d->viewport(), Qt::LeftButton, {}, d->visualItemRect(d->item(3, 1)).center());
        QCOMPARE(d->currentRow(), 3);
        QCOMPARE(w.op.messages.size(), size_t(2));
    }

    void gateConsistencyDiffersBetweenTimeBases()
    {
        Window w;
        w.open();
        for (const char* name : {"StringGridDefTimeGates", "StringGridAuxTimeGates"}) {
            w.setCell(name, 0, 1, "0.001005");
            w.setCell(name, 0, 2, "0.0002");
            w.setCell(name, 0, 3, "0.0009");
            w.setCell(name, 0, 4, "0.0011");
            // Gate 2: open and close left empty are computed from centre and width.
            w.setCell(name, 1, 1, "0.001");
            w.setCell(name, 1, 2, "0.0002");
            w.setCell(name, 1, 3, "");
            w.setCell(name, 1, 4, "");
        }
        w.form->accept();
        QCOMPARE(w.op.messages,
                 std::vector<std::string>{
                     "Some Gate Centre and End Times did not match values anticipated from Gate Start "
                     "and Width Times."});
        QCOMPARE(w.cfg.TimeBase[2].GateCentre[1], 0.001005); // stored as entered
        QCOMPARE(w.cfg.TimeBase[1].drivenGateStart[2], 0.0009);
        QCOMPARE(w.cfg.TimeBase[1].drivenGateEnd[2], 0.0011);
        // Untouched rows keep their exact values, not the seven decimals shown.
        QCOMPARE(w.cfg.TimeBase[1].GateCentre[3], 90e-6);
    }

    void unchangedCellsKeepTheirExactValues()
    {
        Window w;
        w.cfg.TimeBase[1].GateCentre[1] = 12.345678e-6;
        w.cfg.FrontGateDelay = 1.23456e-9;
        w.cfg.AcqChn[1].MeaTimeDelay = 3.21e-9;
        w.open();
        QCOMPARE(w.grid("StringGridDefTimeGates")->item(0, 1)->text(), QString("   0.0000123"));
        w.form->accept();
        QCOMPARE(w.cfg.TimeBase[1].GateCentre[1], 12.345678e-6);
        QCOMPARE(w.cfg.FrontGateDelay, 1.23456e-9);
        QCOMPARE(w.cfg.AcqChn[1].MeaTimeDelay, 3.21e-9);
    }

    void conversionErrorLeavesModelAndWindowAsTheyWere()
    {
        struct Case {
            const char* control;
            const char* text;
            const char* expected;
        } cases[] = {
            {"EditDefStacks", "lots", "'lots' is not a valid integer value for Stacks (full waveform)."},
            {"LabeledEditDefNum", "x", "'x' is not a valid integer value for Gates in gate file."},
            {"LabeledEditAuxNum", "300", "Gates in gate file must be between 0 and 255; 300 was entered."},
            {"EditAuxSampleRate", "fast",
             "'fast' is not a valid floating point value for the sample rate (kHz)."}};
        for (const Case& c : cases) {
            Window w;
            w.cfg.TimeBase[2].AnalDigConvSamplingRate = 500000; // "Other"
            w.open();
            const tem::Configuration before = w.cfg;
            w.get<QLineEdit>("LabeledEditFrontGateDelay")->setText("7");
            w.get<QLineEdit>(c.control)->setText(c.text);
            w.form->accept();
            QVERIFY2(w.form->isVisible(), c.control);
            QVERIFY2(w.cfg == before, c.control);
            QCOMPARE(w.op.messages.back(), std::string(c.expected));
            // Corrected, the window commits and closes.
            w.get<QLineEdit>(c.control)->setText("20");
            w.form->accept();
            QVERIFY(!w.form->isVisible());
            QCOMPARE(w.cfg.FrontGateDelay, 7e-6);
        }
    }

    void knownGateSetLoadsFromTheConfigurationFolder()
    {
        Window w;
        w.open();
        QDir().mkpath(QString::fromStdString(w.folders.temConfig) + "Channel_Files");
        QFile f(QString::fromStdString(w.folders.temConfig) + "Channel_Files/SiroTEM_Early.chn");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "SiroTEM_Early\r\nNUMTIMES=3\r\nDELAY   WIDTH\r\n0.010 0.004\r\n0.020 0.006\r\n0.035 0.010\r\n");
        f.close();
        auto* combo = w.get<QComboBox>("ComboBoxDefName");
        combo->setCurrentIndex(10);
        w.op.answers = {true};
        emit combo->activated(10);
        QCOMPARE(w.op.questions, std::vector<std::string>{"Load the stored gates for this name?"});
        QCOMPARE(w.cfg.TimeBase[1].NumGatesInSet, 3);
        QCOMPARE(w.cfg.TimeBase[1].GateSetKnownIndex, 10);
        QCOMPARE(w.get<QLineEdit>("LabeledEditDefNum")->text(), QString("3"));
        QCOMPARE(w.grid("StringGridDefTimeGates")->item(2, 1)->text(), QString("   0.0000350"));
        QVERIFY(w.get<QLineEdit>("LabeledEditDefTimeGateFilename")
                    ->text()
                    .endsWith("Channel_Files/SiroTEM_Early.chn"));
        QVERIFY(!combo->isEditable());

        // A set without a stored file: a clear message naming the file, the gates untouched.
        auto* aux = w.get<QComboBox>("ComboBoxAuxName");
        aux->setCurrentIndex(9);
        w.op.answers = {true};
        emit aux->activated(9);
        QVERIFY(QString::fromStdString(w.op.messages.back()).contains("Channel_Files/TerraTEM_Late.chn"));
        QCOMPARE(w.cfg.TimeBase[2].NumGatesInSet, 20);
        // The name follows the gates: the refused set's name is neither shown nor stored.
        QCOMPARE(w.cfg.TimeBase[2].GateSetName, std::string("not_named"));
        QCOMPARE(w.cfg.TimeBase[2].GateSetKnownIndex, 0);
        QCOMPARE(aux->currentText(), QString("not_named"));
        QVERIFY(aux->isEditable());

        // No: the operator is reminded that the gates are theirs to check.
        aux->setCurrentIndex(3);
        w.op.answers = {false};
        emit aux->activated(3);
        QVERIFY(QString::fromStdString(w.op.messages.back())
                    .startsWith("It is up to you to ensure correct gate times"));
        // Item 0 makes the name editable again.
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        QVERIFY(combo->isEditable());
    }

    // The installed sets are in the name list and load at once; the gate-file dialog starts among
    // them; a set that outlasts the off time is warned about.
    void installedSetsDialogFolderAndOffTimeWarning()
    {
        Window w;
        w.cfg.TimeBase[2].TimeGateFileName.clear();
        w.cfg.Tx[2].FullWaveformRepetitionFrequency = 250; // 1 ms off time
        w.open();
        auto* combo = w.get<QComboBox>("ComboBoxDefName");
        const int index = combo->findText("DualMoment_LM_28");
        QVERIFY(index > 0);
        combo->setCurrentIndex(index);
        w.op.answers = {true};
        emit combo->activated(index);
        QVERIFY(w.cfg.TimeBase[1].NumGatesInSet > 0);
        QCOMPARE(w.cfg.TimeBase[1].GateSetName, std::string("DualMoment_LM_28"));

        const QString file = w.dir.filePath("late.chn");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Late\nNUMTIMES=2\nDELAY WIDTH\n0.5 0.1\n3.9 0.2\n");
        f.close();
        w.dialogs.answers = {file.toStdString()};
        w.op.answers = {true};
        w.op.messages.clear();
        QTest::mouseClick(w.get<QLineEdit>("LabeledEditAuxTimeGateFilename"), Qt::LeftButton);
        QCOMPARE(QString::fromStdString(w.dialogs.initialFiles.at(0)),
                 QString::fromStdString(w.folders.temConfig) + "Channel_Files/");
        QCOMPARE(w.cfg.TimeBase[2].NumGatesInSet, 2);
        const QString warning = QString::fromStdString(w.op.messages.back());
        QVERIFY2(warning.startsWith("Warning: the last gate (2) of time base 2 ends at") &&
                     warning.contains("after the 1 ms off time of transmitter 2"),
                 qPrintable(warning));
    }

    void gateFileDialogUpdatesFromAChnFile()
    {
        Window w;
        w.open();
        const QString file = w.dir.filePath("set.CHN");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Custom\nNUMTIMES=2\nDELAY WIDTH\n0.1 0.02\n0.2 0.04\n");
        f.close();
        w.dialogs.answers = {file.toStdString()};
        w.op.answers = {true};
        QTest::mouseClick(w.get<QLineEdit>("LabeledEditAuxTimeGateFilename"), Qt::LeftButton);
        QCOMPARE(w.dialogs.titles, std::vector<std::string>{"Open Time Gate File"});
        QCOMPARE(w.cfg.TimeBase[2].NumGatesInSet, 2);
        QCOMPARE(w.cfg.TimeBase[2].GateSetName, std::string("Custom"));
        QCOMPARE(w.cfg.TimeBase[2].TimeGateFileName, file.toStdString());
        QVERIFY(QString::fromStdString(w.op.messages.back())
                    .startsWith("If this is a standard known timebase set"));
        // Any other kind of file is not read.
        w.dialogs.answers = {w.dir.filePath("gates.gex").toStdString()};
        w.op.answers = {true};
        QTest::mouseClick(w.get<QLineEdit>("LabeledEditDefTimeGateFilename"), Qt::LeftButton);
        QCOMPARE(w.op.messages.back(), std::string("Please cut and paste these manually as only Monex CHN "
                                                   "files are read here so far - or request"));
        QCOMPARE(w.cfg.TimeBase[1].NumGatesInSet, 20);
    }

    void countsMessagesAndAuxiliaryVisibility()
    {
        Window w;
        w.cfg.NumAcqChn = 1;
        w.cfg.NumTimebases = 1;
        w.open();
        QCOMPARE(w.op.messages,
                 std::vector<std::string>{
                     "You have only 1 Acquisition Channel so there is no point having more than one "
                     "transmitter."});
        QVERIFY(!w.get<QWidget>("WidgetAuxGateControls")->isVisible());
        w.get<RadioGroup>("RadioGroupNumTimebases")->button(1)->click();
        QVERIFY(w.get<QWidget>("WidgetAuxGateControls")->isVisible());
        QCOMPARE(w.op.messages.back(),
                 std::string("You have only 1 Acquisition Channel so there is no point having "
                             "more than one timebase."));
        QCOMPARE(w.cfg.NumTimebases, 1);

        Window single;
        single.cfg.NumTx = 1;
        single.cfg.TimeBase[2].AnalDigConvSamplingRate = -1;
        single.cfg.NumTimebases = 2;
        single.open();
        QVERIFY(!single.get<QWidget>("WidgetAuxTxControls")->isVisible());
        QCOMPARE(single.get<RadioGroup>("RadioGroupAuxSampleRate")->itemIndex(), 3);
        QCOMPARE(single.get<QLineEdit>("EditAuxSampleRate")->text(), QString("99999"));
    }
};

QTEST_MAIN(TimeBaseTest)
#include "time_base_test.moc"
