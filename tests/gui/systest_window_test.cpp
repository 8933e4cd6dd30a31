// The system test window: a full test file loads and draws, the receiver switch, the reference
// model, the export, and a load that ends early.

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "core/operator.h"
#include "qcustomplot.h"
#include "support/qt_children.h"
#include "systest/TFormVarloSystemTest.h"
#include "widgets/RadioGroup.h"

using namespace tem::gui;

namespace {

using tem::testsupport::child;

QCPGraph* series(QCustomPlot* plot, const QString& name)
{
    for (int i = 0; i < plot->graphCount(); ++i)
        if (plot->graph(i)->name() == name)
            return plot->graph(i);
    qFatal("no series %s", qPrintable(name));
}

const QString Fixtures = TEMSETRIX_TEST_DATA_DIR "/systest/";

} // namespace

class SystemTestWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void loadsDrawsSwitchesAndExports()
    {
        tem::SystemTestData data;
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        TFormVarloSystemTest form(data, op, dialogs);
        form.show();
        QVERIFY(op.messages.empty());
        auto* plot = child<QCustomPlot>(&form, "ChartSystemTest");
        QCOMPARE(plot->graphCount(), 24);
        QCOMPARE(plot->xAxis->scaleType(), QCPAxis::stLogarithmic);
        QCOMPARE(plot->yAxis->scaleType(), QCPAxis::stLogarithmic);
        QCOMPARE(plot->yAxis->range().lower, 0.01);
        QCOMPARE(plot->yAxis2->range().lower, -4.0);
        QCOMPARE(plot->yAxis2->range().upper, 4.0);
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditAnticipatedRamp1P")->text(), QString("    4.80"));
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditAntNoise")->text(), QString(" 1.2000e-07"));
        QCOMPARE(series(plot, "Z Reference - short response")->data()->size(), 73);

        dialogs.answers.push_back((Fixtures + "tab.TXT").toStdString());
        QTest::mouseClick(child<QPushButton>(&form, "ButtonLoadTXT"), Qt::LeftButton);
        QCOMPARE(dialogs.titles.back(), std::string("Load a special Test TXT file"));
        QVERIFY2(op.messages.empty(), op.messages.empty() ? "" : op.messages[0].c_str());
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditMeasuredAmps2P")->text(), QString("  38.2500"));
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditMeasuredRamp1P")->text(), QString("     4.9"));
        QCOMPARE(data.NumStn[8], 2);

        QCPGraph* stn2z = series(plot, "stn 2Z - 1 Parallel 1 Series");
        QCPGraph* stn2x = series(plot, "stn 2X - 1 Parallel 1 Series");
        QCOMPARE(stn2z->data()->size(), 73);
        QCOMPARE(stn2z->data()->at(0)->value, 2011.5);
        QCOMPARE(stn2x->data()->at(0)->value, 202.5); // the magnitude of -202.5
        QVERIFY(stn2z->visible());
        QVERIFY(!stn2x->visible());
        QCOMPARE(plot->legend->itemCount(), 12);
        // Ratios beyond the file's 20 channels are undefined: gaps.
        QCPGraph* rx = series(plot, "Z - RxTurns Ratio Stn4/Stn2");
        QCOMPARE(rx->valueAxis(), plot->yAxis2);
        QVERIFY(std::isnan(rx->data()->at(30)->value));
        QVERIFY(rx->data()->at(0)->value > 1);

        // Receiver X: the X series become the active ones, the noise box follows.
        auto* zx = child<RadioGroup>(&form, "RadioGroupZX");
        zx->button(1)->click();
        QVERIFY(stn2x->visible());
        QVERIFY(!stn2z->visible());
        QCOMPARE(plot->legend->itemCount(), 12);

        // Kind 2 warns each time a selection changes.
        child<RadioGroup>(&form, "RadioGroupTest")->button(2)->click();
        zx->button(0)->click();
        QCOMPARE(std::count(
                     op.messages.begin(), op.messages.end(),
                     std::string("Selecting \"other\" requires that you pay for customization of the code")),
                 2l);
        child<RadioGroup>(&form, "RadioGroupTest")->button(0)->click();

        // A new delay moves the reference of the selected kind and receiver.
        QCPGraph* ref = series(plot, "Z Reference - short response");
        const double before = ref->data()->at(72)->value;
        child<QLineEdit>(&form, "EditRxDelayuS")->setText("8.5");
        QTest::mouseClick(child<QPushButton>(&form, "ButtonUpdateModel"), Qt::LeftButton);
        QVERIFY(ref->data()->at(72)->value < before); // less delay: further into the decay
        QCOMPARE(form.Model().RxDelay[0][0], 8.5e-6);
        QCOMPARE(form.Model().RxDelay[0][1], 9e-6);
        // Unreadable gain: 20.
        auto* gain = child<QLineEdit>(&form, "LabeledEditPreAmpGain");
        gain->setText("abc");
        emit gain->editingFinished();
        QCOMPARE(form.Model().PreAmpGain[0][0], 20.0);

        QTemporaryDir dir;
        const std::string out = (dir.path() + "/Stn8SiteResponse.CSV").toStdString();
        dialogs.answers.push_back(out);
        QTest::mouseClick(child<QPushButton>(&form, "ButtonSaveCSV"), Qt::LeftButton);
        QFile f(QString::fromStdString(out));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readLine(), QByteArray("AcqChn1,AcqChn2,AcqChn3,Units=uV/A\r\n"));
        QCOMPARE(f.readLine(), QByteArray("      8011.5,      -802.5,0.00\r\n"));
        f.close();
        // Overwriting asks first; No keeps the file.
        op.answers.push_back(false);
        dialogs.answers.push_back(out);
        QTest::mouseClick(child<QPushButton>(&form, "ButtonSaveCSV"), Qt::LeftButton);
        QVERIFY(!op.questions.empty());

        // A load that ends early leaves an empty chart and the abort message.
        op.messages.clear();
        dialogs.answers.push_back((Fixtures + "units_abort.TXT").toStdString());
        QTest::mouseClick(child<QPushButton>(&form, "ButtonLoadTXT"), Qt::LeftButton);
        QCOMPARE(op.messages, std::vector<std::string>{
                                  "Aborting file conversion. ChnUnits column is neither uV nor uV/A"});
        QCOMPARE(stn2z->data()->size(), 0);
        QCOMPARE(ref->data()->size(), 73);
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditMeasuredAmps2P")->text(), QString());
    }

    void stationsWithoutRecordsDrawNothingAndLeaveBlanks()
    {
        // Stations 1, 2, 4 and 8 only: no curve for 3, 5, 6 and 7 nor for the shorted response
        // (3 minus 2); the turns ratios (4/2, 1/2) are drawn.
        tem::SystemTestData data;
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        TFormVarloSystemTest form(data, op, dialogs);
        form.show();
        dialogs.answers.push_back((Fixtures + "comma.TXT").toStdString());
        QTest::mouseClick(child<QPushButton>(&form, "ButtonLoadTXT"), Qt::LeftButton);
        auto* plot = child<QCustomPlot>(&form, "ChartSystemTest");
        for (const char* absent :
             {"stn 3Z - 1 Parallel 1 Shorted", "stn 5Z - 2 Parallel 2 Series", "stn 6Z - Noise @MaxA",
              "Stn 7Z - Selected Config Gain 1", "Z  - short response (3 minus 2)"}) {
            QVERIFY2(series(plot, absent)->data()->isEmpty(), absent);
            QVERIFY2(!plot->legend->hasItemWithPlottable(series(plot, absent)), absent);
        }
        for (const char* drawn : {"stn 1Z - 2 Parallel 1 Series", "Stn8Z - Selected Configuration",
                                  "Z - RxTurns Ratio Stn4/Stn2", "Z - TxTurns Ratio 2P/1P Stns1/2"}) {
            QVERIFY2(!series(plot, drawn)->data()->isEmpty(), drawn);
            QVERIFY2(plot->legend->hasItemWithPlottable(series(plot, drawn)), drawn);
        }
        // Nothing measured the 2P2S ramp (station 5) or the noise (station 6): blank, not zero.
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditMeasRamp2P2S")->text(), QString());
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditNoiseStd")->text(), QString());
        QVERIFY(!child<QLineEdit>(&form, "LabeledEditMeasuredAmps2P")->text().trimmed().isEmpty());
        child<RadioGroup>(&form, "RadioGroupZX")->button(1)->click();
        QVERIFY(series(plot, "stn 3X - 1 Parallel 1 Shorted")->data()->isEmpty());
        QCOMPARE(child<QLineEdit>(&form, "LabeledEditNoiseStd")->text(), QString());
    }
};

QTEST_MAIN(SystemTestWindowTest)
#include "systest_window_test.moc"
