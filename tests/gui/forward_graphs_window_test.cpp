// The forward graph windows and the engine runner dialog: series contents after one and two
// drawings (history), activity of detectability and noise, the check boxes, image saving, and the
// runner's buttons.

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <qcustomplot.h>

#include "app/Session.h"
#include "core/forward/forward_graphs.h"
#include "forward/TFormEngineRunner.h"
#include "forward/TFormFwdModelGraph.h"
#include "forward/TFormTEMFwdModelGraph.h"
#include "widgets/LabelledSeries.h"

using namespace tem;
using namespace tem::gui;

namespace {

struct Fixture {
    QTemporaryDir dir;
    RecordingOperator op;
    ScriptedFileDialogs dialogs;
    Session session;
    Fixture() : session(DataFolders::Under(dir.path().toStdString() + "/shared/"), op, dialogs) {}
};

/// A recalculation's series for `models` two-layer models whose half-space is `rho`.
TEMGraphSeries Series(int models, double rho, double noise)
{
    TEMGraphInput in;
    for (int m = 0; m < models; ++m) {
        in.models.push_back(MakeLayeredModel({10}, {100, rho}));
        std::vector<double> t, v, a, l;
        for (int i = 1; i <= 6; ++i) {
            t.push_back(1e-5 * i);
            v.push_back(1e-8 / (i * i));
            a.push_back(rho);
            l.push_back(5.0 * i);
        }
        in.times.push_back(t);
        in.dBdt.push_back(v);
        in.appRes.push_back(a);
        in.loci.push_back(l);
    }
    in.gates = 6;
    in.noise.assign(6, noise);
    return BuildTEMGraph(in);
}

QByteArray Head(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.read(8) : QByteArray();
}

} // namespace

class ForwardGraphWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void historyHoldsTheDrawingBefore()
    {
        Fixture f;
        TFormTEMFwdModelGraph w(f.session);
        w.GraphTEM(Series(3, 50, 1e-10));
        QCOMPARE(w.series("Model 1")->count(), 4);
        QCOMPARE(w.series("Apparent Resistivity 3")->count(), 6);
        QCOMPARE(w.series("Model 4")->count(), 0);
        for (int k = 1; k <= numGraphs; ++k) {
            QCOMPARE(w.series(QString("History %1").arg(k))->count(), 0);
            QCOMPARE(w.series(QString("dB/dt %1 Prior").arg(k))->count(), 0);
        }
        QVERIFY(w.series("Detectability Abs(1-2)")->active());
        QVERIFY(w.series("NoiseStd")->active());

        // A second drawing: the first one's curves become the history, in aqua.
        const auto before = w.series("Apparent Resistivity 2")->points();
        w.GraphTEM(Series(1, 500, 0));
        QCOMPARE(w.series("History 2")->count(), 6);
        QCOMPARE(w.series("History 2")->points()[3].y, before[3].y);
        QCOMPARE(w.series("History 2")->points()[3].label, before[3].label);
        QCOMPARE(w.series("dB/dt 3 Prior")->count(), 6);
        QCOMPARE(w.series("History 1")->curve()->pen().color(), QColor(0x00, 0xFF, 0xFF));
        QCOMPARE(w.series("Apparent Resistivity 2")->count(), 0);
        QCOMPARE(w.series("Apparent Resistivity 1")->points()[0].y, 500.0);
        // One model and no noise: neither detectability nor noise.
        QVERIFY(!w.series("Detectability Abs(1-2)")->active());
        QVERIFY(!w.series("NoiseStd")->active());
        // Only the drawing before the last survives.
        w.GraphTEM(Series(1, 7, 0));
        QCOMPARE(w.series("History 2")->count(), 0);
        QCOMPARE(w.series("History 1")->points()[0].y, 500.0);

        // Colours and labels: models red with labels on model 1 only, responses blue.
        QCOMPARE(w.series("Model 1")->curve()->pen().color(), QColor(0xFF, 0, 0));
        QCOMPARE(w.series("dB/dt 1")->curve()->pen().color(), QColor(0, 0, 0xFF));
        QVERIFY(w.series("Model 1")->labelsVisible());
        QVERIFY(!w.series("Model 2")->labelsVisible());
        QVERIFY(!w.series("Apparent Resistivity 1")->labelsVisible());
        // Both charts' axes as the decays need them.
        QCOMPARE(w.chartDecays()->xAxis->scaleType(), QCPAxis::stLogarithmic);
        QCOMPARE(w.chartDecays()->yAxis->scaleType(), QCPAxis::stLogarithmic);
        QCOMPARE(w.chartDecays()->yAxis2->scaleType(), QCPAxis::stLinear);
        QCOMPARE(w.chartModels()->xAxis->scaleType(), QCPAxis::stLogarithmic);
        QCOMPARE(w.chartModels()->yAxis->scaleType(), QCPAxis::stLogarithmic);
    }

    void stepMarksOfEqualDepthsStayApart()
    {
        // Equal resistivities: each layer's "T" mark and the next layer's "R" mark sit at one point.
        Fixture f;
        TFormTEMFwdModelGraph w(f.session);
        w.resize(1200, 800);
        w.show();
        TEMGraphInput in;
        in.models.push_back(MakeLayeredModel({2, 5}, {10, 10, 10}));
        in.times = {{1e-5}};
        in.dBdt = {{1e-8}};
        in.appRes = {{10}};
        in.loci = {{5}};
        in.gates = 1;
        in.noise = {0};
        w.GraphTEM(BuildTEMGraph(in));
        QCustomPlot* chart = w.chartModels();
        chart->replot();
        std::vector<std::pair<QString, QRectF>> marks;
        for (int i = 0; i < chart->itemCount(); ++i)
            if (auto* t = qobject_cast<QCPItemText*>(chart->item(i));
                t && t->visible() && !t->text().isEmpty())
                marks.push_back(
                    {t->text(), QRectF(t->topLeft->pixelPosition(), t->bottomRight->pixelPosition())});
        QCOMPARE(int(marks.size()), 6); // R and T of three layers
        for (std::size_t a = 0; a < marks.size(); ++a)
            for (std::size_t b = a + 1; b < marks.size(); ++b)
                QVERIFY2(!marks[a].second.intersects(marks[b].second),
                         qPrintable(marks[a].first + " covers " + marks[b].first));
    }

    void checkBoxesSwitchSeries()
    {
        Fixture f;
        TFormTEMFwdModelGraph w(f.session);
        w.GraphTEM(Series(2, 50, 1e-10));
        auto* history = w.findChild<QCheckBox*>("CheckBoxShowHistory");
        auto* detect = w.findChild<QCheckBox*>("CheckBoxShowDetectability");
        QVERIFY(history->isChecked() && detect->isChecked());
        history->click();
        QVERIFY(!w.series("History 5")->active());
        QVERIFY(!w.series("dB/dt 5 Prior")->active());
        detect->click();
        QVERIFY(!w.series("Detectability Abs(1-2)")->active());
        // Drawing sets detectability's activity itself, whatever the box shows.
        w.GraphTEM(Series(2, 50, 1e-10));
        QVERIFY(w.series("Detectability Abs(1-2)")->active());
        QVERIFY(!w.series("History 1")->active());
        history->click();
        QVERIFY(w.series("History 1")->active());
    }

    void savesBmpOrPng()
    {
        Fixture f;
        TFormTEMFwdModelGraph w(f.session);
        w.resize(900, 500);
        w.GraphTEM(Series(2, 50, 1e-10));
        const QString base = f.dir.path() + "/graph";
        f.dialogs.answers = {(base + "-left").toStdString(), (base + "-right.png").toStdString()};
        w.findChild<QPushButton*>("ButtonSaveModelsGraph")->click();
        w.findChild<QPushButton*>("ButtonSaveDecaysGraph")->click();
        QCOMPARE(Head(base + "-left.BMP").left(2), QByteArray("BM"));
        QCOMPARE(Head(base + "-right.png").mid(1, 3), QByteArray("PNG"));
        // Cancelling saves nothing and says nothing.
        w.findChild<QPushButton*>("ButtonSaveDecaysGraph")->click();
        QVERIFY(f.op.messages.empty());
        // A folder that cannot take the file is reported.
        f.dialogs.answers = {(f.dir.path() + "/no/such/folder/x.BMP").toStdString()};
        w.findChild<QPushButton*>("ButtonSaveDecaysGraph")->click();
        QCOMPARE(f.op.messages.size(), std::size_t(1));

        TFormFwdModelGraph geo(f.session);
        const auto models = std::vector<TModel>{MakeLayeredModel({2}, {10, 100})};
        geo.Graph(BuildGeoGraph(models, {{1.0, 1.5}}, {1, 4}));
        QCOMPARE(geo.series("Model 1")->count(), 4);
        QCOMPARE(geo.series("Apparent Resistivity 1")->count(), 2);
        QCOMPARE(geo.series("Apparent Resistivity 2")->count(), 0);
        QVERIFY(geo.series("Apparent Resistivity 1")->labelsVisible());
        f.dialogs.answers = {(base + "-geo.png").toStdString()};
        geo.findChild<QPushButton*>("ButtonSaveGraph")->click();
        QCOMPARE(Head(base + "-geo.png").mid(1, 3), QByteArray("PNG"));
    }

    void runnerDialogButtons()
    {
        RecordingOperator op;
        TFormEngineRunner r(op);
        int cancels = 0;
        r.cancelRun = [&] { ++cancels; };
        r.Begin("/opt/x/temsetrix-engine", "/opt/x", "temsetrix-engine \"/w/fwd.mod\" \"/w/AarhusInv.con\"");
        QCOMPARE(r.windowTitle(), QString("temsetrix-engine Interface"));
        QCOMPARE(r.consoleText(), QString("Current Directory set to:/opt/x\nExecuting:temsetrix-engine "
                                          "\"/w/fwd.mod\" \"/w/AarhusInv.con\""));
        auto* ok = r.findChild<QPushButton*>("BitBtnOK");
        auto* bar = r.findChild<QProgressBar*>("ProgressBarRun");
        QVERIFY(!ok->isEnabled());
        QCOMPARE(r.findChild<QLabel*>("LabelStatus")->text(), QString("Processing - please wait"));
        r.AppendLine("data set 3 of 12");
        r.SetProgress(3, 12);
        QCOMPARE(bar->maximum(), 12);
        QCOMPARE(bar->value(), 3);
        r.Ended();
        QVERIFY(ok->isEnabled());
        QCOMPARE(r.findChild<QLabel*>("LabelStatus")->text(), QString("Completed"));
        r.reject(); // Cancel after the end ends nothing
        QCOMPARE(cancels, 0);
        r.Begin("AarhusInv64.exe", "/w", "AarhusInv64.exe \"a\" \"b\"");
        QCOMPARE(r.windowTitle(), QString("AarhusInv64.exe Interface"));
        r.findChild<QPushButton*>("BitBtnCancel")->click();
        QCOMPARE(cancels, 1);
    }

    // Help and the still-running message speak of the engine that runs: only the external engine
    // needs a licence.
    void runnerDialogSpeaksOfItsEngine_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("help");
        QTest::addColumn<QString>("stillRunning");
        QTest::newRow("built-in")
            << "/opt/x/temsetrix-engine"
            << "Running temsetrix-engine, the built-in forward engine of TEM Setrix. It "
               "needs no licence and no control file. If a run fails, the engine's last "
               "lines above say why."
            << "The temsetrix-engine process is still occurring. Quitting now will have "
               "unpredictable results";
        QTest::newRow("external")
            << "/opt/AGS/AarhusInv64.exe"
            << "Running AarhusInv64.exe - if it does not work then maybe you do not have a licence to run "
               "AarhusInv64.exe in this particular mode - See Seequent about a licence."
            << "The AarhusInv64 process is still occurring. Quitting now will have unpredictable results";
    }
    void runnerDialogSpeaksOfItsEngine()
    {
        QFETCH(QString, engine);
        QFETCH(QString, help);
        QFETCH(QString, stillRunning);
        RecordingOperator op;
        TFormEngineRunner r(op);
        r.Begin(engine, "/opt", QFileInfo(engine).fileName() + " \"/w/fwd.mod\"");
        r.BitBtnOKClick();
        r.findChild<QPushButton*>("BitBtnHelp")->click();
        QCOMPARE(op.messages, (std::vector<std::string>{stillRunning.toStdString(), help.toStdString()}));
    }
};

QTEST_MAIN(ForwardGraphWindowsTest)
#include "forward_graphs_window_test.moc"
