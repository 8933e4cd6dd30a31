// The system response window on the demonstration configuration, as a crew uses it: the station-8
// export of a system test loads as field data, the site model is forward-modelled with the built-in
// engine, the system response is seeded from field minus model and committed, and a save and
// reload keeps every amplitude.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "app/Session.h"
#include "core/files/keyword_file.h"
#include "core/files/tdc_file.h"
#include "core/files/value_forms.h"
#include "core/response/system_response.h"
#include "core/systest/system_test_analysis.h"
#include "editor_fixture.h"
#include "qcustomplot.h"
#include "response/TFormSysResp.h"
#include "support/qt_children.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/RadioGroup.h"

using namespace tem::gui;

namespace {

using tem::testsupport::child;

QStringList leftAxisLabels(QCustomPlot* plot)
{
    auto ticker = qSharedPointerDynamicCast<QCPAxisTickerText>(plot->yAxis->ticker());
    return ticker ? QStringList(ticker->ticks().values()) : QStringList();
}

} // namespace

using tem::ResponseCurve;

class SysRespWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    tem::DataFolders m_folders;

  private slots:
    void initTestCase()
    {
        m_folders = fixture::FoldersIn(m_dir);
        QDir().mkpath(QString::fromStdString(m_folders.temConfig));
        QVERIFY(QFile::copy(TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC",
                            QString::fromStdString(m_folders.temConfig) + "Demo.TDC"));
    }

    void fieldMinusModelSeedsCommitsAndSurvivesSaveAndReload()
    {
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        tem::gui::Session session(m_folders, op, dialogs);
        session.cfg.LoadFilename = m_folders.temConfig + "Demo.TDC";
        tem::LoadTDCFromFile(session.cfg, m_folders, op);
        QCOMPARE(session.cfg.NumAcqChn, 2);
        op.messages.clear();

        // A system test's station-8 export.
        tem::SystemTestData test;
        QVERIFY(tem::LoadSystemTest(test, TEMSETRIX_TEST_DATA_DIR "/systest/tab.TXT", 0, op));
        const std::string csv = m_folders.temConfig + tem::Stn8SiteResponseName;
        tem::WriteStn8SiteResponse(test, csv);

        TFormSysResp form(session);
        form.show();
        QVERIFY2(op.messages.empty(), op.messages.empty() ? "" : op.messages[0].c_str());
        QCOMPARE(form.windowTitle(), QString("TEM System Response Specifier and Analyser"));
        auto* plot = child<QCustomPlot>(&form, "ChartSysResp");
        QCOMPARE(plot->graphCount(), 6);
        QCOMPARE(child<KeyValueEditor>(&form, "ValueListEditorEquation")->value("OscillFreq").trimmed(),
                 QString("12000"));
        QCOMPARE(child<KeyValueEditor>(&form, "ValueListEditorEquation")->value("RxDelay_uS").trimmed(),
                 QString("8.5"));

        // Field data: column 1 to channel 1, column 2 to channel 2, over their receiver areas.
        dialogs.answers.push_back(csv);
        QTest::mouseClick(child<QPushButton>(&form, "ButtonLoadFieldData"), Qt::LeftButton);
        QVERIFY2(op.messages.empty(), op.messages.empty() ? "" : op.messages[0].c_str());
        const double area1 =
            session.cfg.Rx[session.cfg.AcqChn[1].RxCoilNumber].AreaNumTurnsxPreAmpxSingleTurn;
        QCOMPARE(session.cfg.SysResp[1].FieldAmplitudes[1], 8011.5e-6 / area1);
        QVERIFY(session.cfg.SysResp[2].FieldAmplitudes[1] < 0);
        QVERIFY(child<QCheckBox>(&form, "CheckBoxDataLoaded")->isChecked());
        const int gates = tem::ChannelGates(session.cfg, 1);
        QCOMPARE(int(form.Curve(ResponseCurve::FieldData).size()), gates);

        // The two-layer site model run with the built-in engine, without the forward window.
        QTest::mouseClick(child<QPushButton>(&form, "ButtonForwardModel"), Qt::LeftButton);
        QVERIFY2(op.messages.empty(), op.messages.empty() ? "" : op.messages.back().c_str());
        const tem::TSystemResponse& s = session.cfg.SysResp[1];
        const int first = s.drivenGatesInRamp + 1;
        // The earliest gates lie in the ramp; after it the decay is positive and falls.
        QVERIFY(s.FwdModelAmplitudes[first + 5] > 0);
        QVERIFY(s.FwdModelAmplitudes[gates] > 0);
        QVERIFY(s.FwdModelAmplitudes[gates] < s.FwdModelAmplitudes[first + 5]);
        QCOMPARE(int(form.Curve(ResponseCurve::ForwardModel).size()), gates);

        // Seed from field minus model, then commit.
        QTest::mouseClick(child<QPushButton>(&form, "ButtonSeed"), Qt::LeftButton);
        QVERIFY(child<QCheckBox>(&form, "CheckBoxSysRespExists")->isChecked());
        QCOMPARE(int(form.Curve(ResponseCurve::SystemResponse).size()), gates);
        QCOMPARE(child<QTableWidget>(&form, "StringGridSysResp")->rowCount(), gates);
        QTest::mouseClick(child<QCheckBox>(&form, "CheckBoxCommit"), Qt::LeftButton);
        QVERIFY(form.ChangesCommitted());
        QVERIFY(s.SysRespExists);
        QCOMPARE(s.Seed0FwdOr1Eqn, 0);
        for (int g = 1; g <= gates; ++g) {
            const double d = s.FieldAmplitudes[g] - s.FwdModelAmplitudes[g];
            QVERIFY2(std::fabs(s.SysRespAmplitudes[g] - d) <= 1e-6 * std::fabs(d),
                     qPrintable(QString::number(g)));
        }

        // An edit in the grid beside the chart is what a commit stores.
        child<QTableWidget>(&form, "StringGridSysResp")->item(2, 1)->setText("1.25e-07");
        QTest::mouseClick(child<QCheckBox>(&form, "CheckBoxCommit"), Qt::LeftButton);
        QCOMPARE(s.SysRespAmplitudes[3], 1.25e-7);

        // The equation curve.
        QTest::mouseClick(child<QPushButton>(&form, "ButtonUpdateSimulation"), Qt::LeftButton);
        QCOMPARE(int(form.Curve(ResponseCurve::SimulationEquation).size()), gates);
        const tem::CurvePoint& eq = form.Curve(ResponseCurve::SimulationEquation)[0];
        QCOMPARE(eq.label, tem::FormatScientific(eq.amplitude, 12, 6));

        // The left axis: +-0.1 appear only with a stretcher above 10.
        QVERIFY(leftAxisLabels(plot).contains("0.1") || leftAxisLabels(plot).contains("-0.1"));
        child<QLineEdit>(&form, "EditCrossoverStretcher")->setText("5");
        emit child<QLineEdit>(&form, "EditCrossoverStretcher")->textEdited("5");
        QCOMPARE(form.CrossoverStretcher(), 5.0);
        QVERIFY(!leftAxisLabels(plot).contains("0.1") && !leftAxisLabels(plot).contains("-0.1"));
        child<QLineEdit>(&form, "EditCrossoverStretcher")->setText("100");
        emit child<QLineEdit>(&form, "EditCrossoverStretcher")->textEdited("100");

        // A field-data line with two values stops the load and changes nothing.
        const std::string bad = m_folders.temConfig + "short.csv";
        tem::WriteFileReplacing(bad, "Z,X,Y\r\n1,2,3\r\n4,5\r\n");
        const double before = s.FieldAmplitudes[1];
        dialogs.answers.push_back(bad);
        QTest::mouseClick(child<QPushButton>(&form, "ButtonLoadFieldData"), Qt::LeftButton);
        QCOMPARE(op.messages.size(), std::size_t(1));
        QVERIFY2(op.messages[0].find("line 3 of") != std::string::npos, op.messages[0].c_str());
        QCOMPARE(s.FieldAmplitudes[1], before);
        op.messages.clear();

        // Save the response as CSV: channel 1 in the first column, in µV/A.
        const std::string out = m_folders.temConfig + "SysResp1.CSV";
        dialogs.answers.push_back(out);
        QTest::mouseClick(child<QPushButton>(&form, "ButtonSaveSysResp"), Qt::LeftButton);
        QVERIFY(op.messages.empty()); // committed already: no reminder
        const auto lines = tem::SplitLines(tem::ReadFileBytes(out));
        QCOMPARE(int(lines.size()), gates + 1);
        QCOMPARE(QString::fromStdString(lines[0]), QString("AcqChn1,AcqChn2,AcqChn3,Units:uV/A"));
        QVERIFY(QString::fromStdString(lines[3]).endsWith(",0,0"));

        // Save the configuration and read it again: every amplitude stays.
        const tem::TSystemResponse committed = s;
        session.cfg.SaveFilename = m_folders.temConfig + "Demo.TDC";
        op.answers.push_back(true);
        tem::SaveTDCToFile(session.cfg, m_folders, op);
        tem::Configuration again;
        again.LoadFilename = session.cfg.SaveFilename;
        tem::LoadTDCFromFile(again, m_folders, op);
        for (int g = 1; g <= gates; ++g) {
            QCOMPARE(again.SysResp[1].SysRespAmplitudes[g], committed.SysRespAmplitudes[g]);
            QCOMPARE(again.SysResp[1].FieldAmplitudes[g], committed.FieldAmplitudes[g]);
            QCOMPARE(again.SysResp[1].FwdModelAmplitudes[g], committed.FwdModelAmplitudes[g]);
        }
    }

    void everyCurveIsDrawnInTheAxisUnitWithLabelsOverTheRange()
    {
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        tem::gui::Session session(m_folders, op, dialogs);
        session.cfg = fixture::DualMoment();
        TFormSysResp form(session);
        form.show();
        QTest::mouseClick(child<QPushButton>(&form, "ButtonUpdateSimulation"), Qt::LeftButton);
        child<RadioGroup>(&form, "RadioGroupSeedType")->button(1)->click();
        QTest::mouseClick(child<QPushButton>(&form, "ButtonSeed"), Qt::LeftButton);
        auto* plot = child<QCustomPlot>(&form, "ChartSysResp");
        const QCPRange range = plot->yAxis->range();
        // The seeded response (V/(A.m^2)) is drawn in microvolts, as the axis is, like the equation.
        const tem::CurvePoints& seeded = form.Curve(ResponseCurve::SystemResponse);
        QVERIFY(!seeded.empty());
        QCPGraph* g = nullptr;
        for (int i = 0; i < plot->graphCount(); ++i)
            if (plot->graph(i)->name() == "System Response")
                g = plot->graph(i);
        QVERIFY(g);
        for (int i = 0; i < int(seeded.size()); ++i) {
            const double y = g->data()->at(i)->value;
            QCOMPARE(y, tem::ArcSinhDisplay(seeded[std::size_t(i)].amplitude, form.CrossoverStretcher()));
            QVERIFY(range.contains(y));
        }
        // Labels over the whole range the curves take, none outside it.
        auto ticker = qSharedPointerDynamicCast<QCPAxisTickerText>(plot->yAxis->ticker());
        const QList<double> at = ticker->ticks().keys();
        QVERIFY2(at.size() >= 3, qPrintable(leftAxisLabels(plot).join(" ")));
        for (double a : at)
            QVERIFY(range.contains(a));
        QVERIFY(at.front() < range.lower + range.size() / 3);
        QVERIFY(at.back() > range.upper - range.size() / 3);
    }

    void closingAsksOnlyWhenSomethingIsUncommittedAndDoesWhatItSays_data()
    {
        QTest::addColumn<int>("answer"); // 0 Commit, 1 Discard, 2 Cancel
        QTest::newRow("Commit") << 0;
        QTest::newRow("Discard") << 1;
        QTest::newRow("Cancel") << 2;
    }
    void closingAsksOnlyWhenSomethingIsUncommittedAndDoesWhatItSays()
    {
        QFETCH(int, answer);
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        tem::gui::Session session(m_folders, op, dialogs);
        session.cfg = fixture::DualMoment();
        TFormSysResp form(session);
        // Opened and closed with nothing done: no question, nothing changed.
        form.show();
        const tem::TSystemResponse opened = session.cfg.SysResp[1];
        form.close();
        QVERIFY(op.questions.empty());
        QCOMPARE(session.cfg.SysResp[1], opened);

        // The equation seeds a response: the record changes at once, but only a commit keeps it.
        form.show();
        QTest::mouseClick(child<QPushButton>(&form, "ButtonUpdateSimulation"), Qt::LeftButton);
        child<RadioGroup>(&form, "RadioGroupSeedType")->button(1)->click();
        QTest::mouseClick(child<QPushButton>(&form, "ButtonSeed"), Qt::LeftButton);
        QVERIFY(session.cfg.SysResp[1].SysRespExists);
        const tem::TSystemResponse seeded = session.cfg.SysResp[1];
        op.messages.clear();
        op.choices = {answer};
        form.close();
        QCOMPARE(op.questions, std::vector<std::string>{TFormSysResp::CloseQuestion});
        switch (answer) {
        case 0:
            QVERIFY(!form.isVisible());
            QVERIFY(session.cfg.SysResp[1].SysRespExists);
            QCOMPARE(session.cfg.SysResp[1].SysRespAmplitudes, seeded.SysRespAmplitudes);
            QCOMPARE(session.cfg.SysResp[1].EqnModelAmplitudes[3],
                     form.Curve(ResponseCurve::SimulationEquation)[2].amplitude);
            break;
        case 1:
            QVERIFY(!form.isVisible());
            QCOMPARE(session.cfg.SysResp[1], opened);
            break;
        default:
            QVERIFY(form.isVisible());
            QCOMPARE(session.cfg.SysResp[1], seeded);
            break;
        }
    }

    void aFailedCommitCommitsNothingAndSavesNothing()
    {
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        tem::gui::Session session(m_folders, op, dialogs);
        session.cfg = fixture::DualMoment();
        session.cfg.SysResp[1].SysRespExists = true;
        tem::SetDefaultEquation(session.cfg.SysResp[1]);
        TFormSysResp form(session);
        form.show();
        const tem::TSystemResponse opened = session.cfg.SysResp[1];
        child<QTableWidget>(&form, "StringGridLayers")->item(0, 1)->setText("1.5");
        child<KeyValueEditor>(&form, "ValueListEditorEquation")->setValue("OscillFreq", "twelve thousand");
        op.messages.clear();
        QTest::mouseClick(child<QCheckBox>(&form, "CheckBoxCommit"), Qt::LeftButton);
        QVERIFY(!form.ChangesCommitted());
        QVERIFY(!child<QCheckBox>(&form, "CheckBoxCommit")->isChecked());
        QCOMPARE(session.cfg.SysResp[1].OscillFreq, opened.OscillFreq);

        // The save commits first; a failed commit ends it before the file dialog.
        const std::string out = m_folders.temConfig + "NeverWritten.CSV";
        dialogs.answers.push_back(out);
        QTest::mouseClick(child<QPushButton>(&form, "ButtonSaveSysResp"), Qt::LeftButton);
        QVERIFY(dialogs.titles.empty());
        QVERIFY(!QFile::exists(QString::fromStdString(out)));
        QVERIFY(form.HasUncommittedChanges());
        op.choices = {1};
        form.close();
        QCOMPARE(op.questions.back(), std::string(TFormSysResp::CloseQuestion));
        QCOMPARE(session.cfg.SysResp[1], opened);
    }

    void aCommitOfUntouchedValuesKeepsEveryDigit()
    {
        // Labels and cells show six or seven digits; a commit of values nobody edited stores the
        // model's own numbers.
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        tem::gui::Session session(m_folders, op, dialogs);
        session.cfg = fixture::DualMoment();
        tem::TSystemResponse& s = session.cfg.SysResp[1];
        s.SysRespExists = true;
        s.FieldDataExists = true;
        tem::SetDefaultEquation(s);
        s.OscillFreq = 12345.678912345;
        s.LateTimeConst = 1.23456789e-4;
        s.FwdModelLayers = 3;
        s.LayerThicknesses[1] = 12.3456789;
        s.LayerThicknesses[2] = 0.05; // shown as 0.1
        s.LayerResistivities[1] = 98.7654321;
        s.LayerResistivities[2] = 1.23456789;
        s.LayerResistivities[3] = 456.789123;
        s.NoiseAt1mSinVperAm2 = 2.123456789e-10;
        s.NoiseLogLogSlopeinVperS = -0.523456789;
        for (int g = 1; g <= 20; ++g) {
            s.SysRespAmplitudes[g] = 1.23456789e-7 / g;
            s.FieldAmplitudes[g] = 2.3456789123e-7 / g;
            s.FwdModelAmplitudes[g] = 3.456789123e-7 / g;
            s.EqnModelAmplitudes[g] = 4.56789123456e-7 / g;
        }
        tem::CalcNoiseModel(session.cfg, 1, false);
        TFormSysResp form(session);
        form.show();
        const tem::TSystemResponse opened = s;
        QTest::mouseClick(child<QCheckBox>(&form, "CheckBoxCommit"), Qt::LeftButton);
        QVERIFY(form.ChangesCommitted());
        QCOMPARE(s, opened);
        // Leaving a noise box unchanged keeps the level too.
        emit child<QLineEdit>(&form, "EditNoiseStd")->editingFinished();
        QCOMPARE(s.NoiseAt1mSinVperAm2, opened.NoiseAt1mSinVperAm2);
        // A typed value is stored as the number typed.
        child<KeyValueEditor>(&form, "ValueListEditorEquation")->setValue("OscillFreq", "15000.5");
        QTest::mouseClick(child<QCheckBox>(&form, "CheckBoxCommit"), Qt::LeftButton);
        QCOMPARE(s.OscillFreq, 15000.5);
        QCOMPARE(s.LateTimeConst, opened.LateTimeConst);
    }

    void modelParamsTakesTheForwardWindowsRun()
    {
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        tem::gui::Session session(m_folders, op, dialogs);
        session.cfg = fixture::DualMoment();
        TFormSysResp form(session);
        // The operator runs the model in the forward window: its result store holds the run.
        form.showForwardWindow = [&](QWidget*) {
            tem::ForwardResults& r = session.forward.results;
            r.dBdtTEM.resize(1, 20, 2);
            for (int g = 1; g <= 20; ++g)
                r.dBdtTEM(0, g, 1) = 1e-6 / (g * g);
            r.FwdModelOutputGates[1] = 20;
        };
        form.show();
        op.answers = {false}; // no save before the forward window
        QTest::mouseClick(child<QPushButton>(&form, "ButtonModelParams"), Qt::LeftButton);
        const tem::TSystemResponse& s = session.cfg.SysResp[1];
        const int ramp = s.drivenGatesInRamp;
        QCOMPARE(s.FwdModelAmplitudes[ramp + 1], 1e-6);
        QCOMPARE(s.FwdModelAmplitudes[ramp + 3], 1e-6 / 9);
        QCOMPARE(form.Curve(ResponseCurve::ForwardModel)[std::size_t(ramp + 2)].amplitude, 1e-6 / 9);
        QVERIFY(form.HasUncommittedChanges());
        op.choices = {1};
    }

    void committingWithoutResponseChangesNothing()
    {
        tem::RecordingOperator op;
        tem::ScriptedFileDialogs dialogs;
        tem::gui::Session session(m_folders, op, dialogs);
        session.cfg = fixture::DualMoment();
        const auto before = session.cfg.SysResp[1].SysRespAmplitudes;
        TFormSysResp form(session);
        form.show();
        session.cfg.SysResp[1].SysRespExists = false;
        QTest::mouseClick(child<QCheckBox>(&form, "CheckBoxCommit"), Qt::LeftButton);
        QCOMPARE(session.cfg.SysResp[1].SysRespAmplitudes, before);
        form.close();
        QVERIFY(op.messages.empty());
        // Model Params without the forward window says so.
        QTest::mouseClick(child<QPushButton>(&form, "ButtonModelParams"), Qt::LeftButton);
        QCOMPARE(op.messages.size(), std::size_t(1));
    }
};

QTEST_MAIN(SysRespWindowTest)
#include "sysresp_window_test.moc"
