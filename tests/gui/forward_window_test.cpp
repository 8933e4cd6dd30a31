// The forward modelling window: the model grid and its layer count, "Forward.Ini" across showings,
// recalculation with the built-in engine and with a failing stand-in, the graphs after one and two
// runs, detectability of equal models, and the main window's "Forward Model" button.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "GuiTestSupport.h"
#include "app/Session.h"
#include "arrays/TFormConfig.h"
#include "core/arrays/array_file.h"
#include "core/files/tdc_file.h"
#include "core/forward/forward_exports.h"
#include "core/forward/forward_graphs.h"
#include "core/model/data_folders.h"
#include "forward/TFormEngineRunner.h"
#include "forward/TFormForward.h"
#include "forward/TFormTEMFwdModelGraph.h"
#include "widgets/LabelledSeries.h"
#include "widgets/RadioGroup.h"

using namespace tem;
using namespace tem::gui;
using namespace tem::gui::test;

namespace {

struct Fixture {
    QTemporaryDir dir;
    RecordingOperator op;
    ScriptedFileDialogs dialogs;
    Session session;
    std::unique_ptr<TFormForward> form;

    Fixture() : session(DataFolders::Under(dir.path().toStdString() + "/shared/"), op, dialogs)
    {
        // The demonstration configuration, opened as the editor opens the window.
        session.cfg.LoadFilename = ShippedDemoConfiguration();
        LoadTDCFromFile(session.cfg, session.folders, op);
        session.ConfigIniName = session.cfg.LoadFilename;
        op.messages.clear();
        form = std::make_unique<TFormForward>(session);
        form->FwdModelParentForm = fmpfTEMSetrix;
    }

    template <class T> T* get(const char* name) const
    {
        T* w = form->findChild<T*>(name);
        if (!w)
            qFatal("no control named %s", name);
        return w;
    }
    QTableWidget* grid() const { return get<QTableWidget>("StringGridModel"); }
    QTableWidget* table() const { return get<QTableWidget>("StringGridResponse"); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }
    void setCell(int row, int column, const QString& text) { grid()->item(row, column)->setText(text); }
    void setLayers(const QString& text)
    {
        get<QLineEdit>("EditNumLayers")->setText(text);
        form->EditNumLayersExit();
    }
    /// Two-layer grid: thickness from..to with 1 step per decade, resistivities fixed.
    void twoLayers(const QString& from, const QString& to, const QString& rho1, const QString& rho2)
    {
        setLayers("2");
        setCell(0, 1, from);
        setCell(0, 3, to);
        setCell(0, 5, "1");
        setCell(0, 2, rho1);
        setCell(0, 4, "");
        setCell(0, 6, "1");
        setCell(1, 2, rho2);
        setCell(1, 4, "");
        setCell(1, 6, "1");
    }
    /// Clicks "Recalculate Responses"; the runner dialog is closed with OK once the engine ended.
    void recalculate()
    {
        TFormEngineRunner* runner = form->runner();
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [runner] {
            if (runner->isVisible() && !runner->Running())
                runner->BitBtnOKClick();
        });
        poll.start();
        get<QPushButton>("ButtonRecalculate")->click();
    }
    bool shown(const std::string& text) const
    {
        return std::find(op.messages.begin(), op.messages.end(), text) != op.messages.end();
    }
    bool shownStartingWith(const std::string& text) const
    {
        return std::any_of(op.messages.begin(), op.messages.end(),
                           [&](const std::string& m) { return m.rfind(text, 0) == 0; });
    }
};

} // namespace

class ForwardWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void layerCountAndHalfSpaceCells()
    {
        Fixture f;
        f.form->show();
        QCOMPARE(f.grid()->rowCount(), 3);
        QCOMPARE(f.cell(2, 1), QString("*****"));
        QCOMPARE(f.cell(2, 3), QString("*****"));
        QCOMPARE(f.cell(2, 5), QString("*****"));
        QCOMPARE(f.cell(1, 0), QString("2"));

        // 12 becomes 10.
        f.setLayers("12");
        QCOMPARE(f.grid()->rowCount(), 10);
        QCOMPARE(f.get<QLineEdit>("EditNumLayers")->text(), QString("10"));
        // The old half-space row became a layer: its "*****" cells are cleared.
        QCOMPARE(f.cell(2, 1), QString());
        QCOMPARE(f.cell(2, 5), QString());
        QCOMPARE(f.cell(9, 1), QString("*****"));
        QCOMPARE(f.cell(9, 0), QString("10"));

        // A click into the half-space's thickness keeps "*****"; other cells are left alone.
        f.grid()->item(9, 1)->setText("55");
        f.form->StringGridModelClick(9, 1);
        QCOMPARE(f.cell(9, 1), QString("*****"));
        QVERIFY(!(f.grid()->item(9, 3)->flags() & Qt::ItemIsEditable));
        f.form->StringGridModelClick(8, 1);
        QCOMPARE(f.cell(8, 1), QString());

        // Not a count: the grid stays; 0 or below: one layer (the half-space).
        f.setLayers("three");
        QCOMPARE(f.grid()->rowCount(), 10);
        QCOMPARE(f.get<QLineEdit>("EditNumLayers")->text(), QString("10"));
        f.setLayers("-2");
        QCOMPARE(f.grid()->rowCount(), 1);
        QCOMPARE(f.cell(0, 1), QString("*****"));
        QVERIFY(f.op.messages.empty());
    }

    void gridComesBackFromForwardIni()
    {
        Fixture f;
        f.form->show();
        f.setLayers("4");
        f.setCell(0, 1, "2.5");
        f.setCell(0, 3, "25");
        f.setCell(2, 6, "3");
        f.setCell(3, 2, "1000");
        f.form->accept();
        QVERIFY(QFile::exists(QString::fromStdString(f.session.folders.appData) + "Forward.Ini"));

        TFormForward again(f.session);
        again.FwdModelParentForm = fmpfTEMSetrix;
        again.show();
        auto* g = again.findChild<QTableWidget*>("StringGridModel");
        QCOMPARE(g->rowCount(), 4);
        QCOMPARE(g->item(0, 1)->text(), QString("2.5"));
        QCOMPARE(g->item(0, 3)->text(), QString("25"));
        QCOMPARE(g->item(2, 6)->text(), QString("3"));
        QCOMPARE(g->item(3, 2)->text(), QString("1000"));
        QCOMPARE(g->item(3, 1)->text(), QString("*****"));
    }

    void recalculateKeepsAnUntouchedNoiseLevel()
    {
        // The noise boxes show six digits; a run with them untouched keeps the stored numbers, a
        // typed level is stored as typed.
        Fixture f;
        tem::TSystemResponse& r = f.session.cfg.SysResp[1];
        r.SysRespExists = true; // the boxes show a stored noise model only for a response
        r.NoiseAt1mSinVperAm2 = 2.123456789e-9;
        r.NoiseLogLogSlopeinVperS = -0.523456789;
        f.form->show();
        f.twoLayers("30", "", "100", "10");
        f.recalculate();
        QCOMPARE(r.NoiseAt1mSinVperAm2, 2.123456789e-9);
        QCOMPARE(r.NoiseLogLogSlopeinVperS, -0.523456789);
        f.get<QLineEdit>("EditNoiseLevel")->setText("3e-9");
        f.recalculate();
        QCOMPARE(r.NoiseAt1mSinVperAm2, 3e-9);
        QCOMPARE(r.NoiseLogLogSlopeinVperS, -0.523456789);
    }

    void runWithTheBuiltInEngineAndHistory()
    {
        Fixture f;
        f.form->show();
        f.twoLayers("10", "100", "100", "10");
        f.recalculate();
        QVERIFY2(f.op.messages.empty(), f.op.messages.empty() ? "" : f.op.messages.front().c_str());
        QCOMPARE(f.session.forward.models.NumModels, 2);
        // The table shows model 0 of channel 1.
        QVERIFY(f.table()->rowCount() > 5);
        // Late gates of a layered earth decay with a positive sign; every apparent resistivity
        // is blank (undefined) or at least the floor of 0.1.
        bool positive = false;
        for (int r = 0; r < f.table()->rowCount(); ++r) {
            positive = positive || f.table()->item(r, 1)->text().toDouble() > 0;
            const QString rho = f.table()->item(r, 2)->text();
            QVERIFY(rho.trimmed().isEmpty() || rho.toDouble() >= 0.1);
        }
        QVERIFY(positive);
        QVERIFY(f.get<QPushButton>("ButtonGraph")->isEnabled());
        // The built-in engine is given the model file alone: no empty control file in its log.
        const QString console = f.form->runner()->consoleText();
        QVERIFY(console.contains("Executing:temsetrix-engine \""));
        QVERIFY2(!console.contains("\"\"") && !console.contains("control file"), qPrintable(console));

        TFormTEMFwdModelGraph* g = f.form->temGraph();
        QCOMPARE(g->series("Model 1")->count(), 4);
        QCOMPARE(g->series("Model 2")->count(), 4);
        QCOMPARE(g->series("Model 3")->count(), 0);
        const int gates = g->series("dB/dt 1")->count();
        QVERIFY(gates > 5);
        QCOMPARE(g->series("History 1")->count(), 0);
        QVERIFY(g->series("Detectability Abs(1-2)")->active());
        QVERIFY(!f.get<QLineEdit>("EditSumDetect")->text().isEmpty());

        // A second run with another set: the first run's curves are the history.
        const auto firstAppRes = g->series("Apparent Resistivity 2")->points();
        f.twoLayers("30", "", "100", "10");
        f.recalculate();
        QCOMPARE(f.session.forward.models.NumModels, 1);
        QCOMPARE(g->series("History 2")->count(), int(firstAppRes.size()));
        QCOMPARE(g->series("History 2")->points().back().y, firstAppRes.back().y);
        QCOMPARE(g->series("Model 2")->count(), 0);
        QVERIFY(!g->series("Detectability Abs(1-2)")->active());
    }

    // "Save Output VoltDBF" before any recalculation says so and asks for no file; after a TEM run
    // "Save Output TXT" writes the model set and the TEM responses.
    void exportsOfTemResponses()
    {
        Fixture f;
        f.form->show();
        f.twoLayers("10", "100", "100", "10");
        f.get<QPushButton>("ButtonSaveVoltDBF")->click();
        QVERIFY(f.shown(NoResponsesMessage));
        QVERIFY(f.dialogs.titles.empty());

        f.recalculate();
        f.op.messages.clear();
        f.get<QPushButton>("ButtonSaveTXT")->click();
        QVERIFY2(f.op.messages.empty(), f.op.messages.empty() ? "" : f.op.messages.front().c_str());
        const std::string dir = GetPathToAppData(f.session.folders, f.op);
        QVERIFY(QFile::exists(QString::fromStdString(dir + "FwdModels.Mod")));
        const std::string rsp = ReadText(dir + "FwdModels.Rsp");
        const int gates = f.form->temGraph()->series("dB/dt 1")->count();
        QVERIFY(QString::fromStdString(rsp).startsWith(
            QString("numGates: %1\r\nModel ").arg(gates, 2, 10, QChar('0'))));
        QCOMPARE(int(std::count(rsp.begin(), rsp.end(), '\n')), 2 + 2);
    }

    void equalModelsAreNotDetectable()
    {
        Fixture f;
        f.form->show();
        f.twoLayers("20", "", "100", "10");
        f.recalculate();
        // The system response window runs the set it holds: two equal models.
        f.session.forward.models.Models.push_back(f.session.forward.models.Models.front());
        f.session.forward.models.NumModels = 2;
        TFormEngineRunner* runner = f.form->runner();
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [runner] {
            if (runner->isVisible() && !runner->Running())
                runner->BitBtnOKClick();
        });
        poll.start();
        f.form->Recalculate(false);
        QCOMPARE(f.get<QLineEdit>("EditSumDetect")->text(), QString("   0.00"));
        for (const auto& p : f.form->temGraph()->series("Detectability Abs(1-2)")->points())
            QCOMPARE(p.y, 0.0);
    }

    void missingResultKeepsTheWindowUsable()
    {
        Fixture f;
        f.form->show();
        f.twoLayers("10", "100", "100", "10");
        f.recalculate();
        QVERIFY(f.form->temGraph()->series("dB/dt 1")->count() > 0);

        // A stand-in engine that fails without writing a result.
        const QString engine = QString(TEMSETRIX_TEST_DATA_DIR) + "/runner/fake_engine.sh";
        const QString control = f.dir.path() + "/fail.con";
        WriteText(control.toStdString(), "fail\n");
        f.get<QLineEdit>("EditAarExe")->setText(engine);
        f.get<QLineEdit>("EditAarCon")->setText(control);
        f.op.messages.clear();
        f.recalculate();
        // The engine's own exit and words, not a log file that does not exist.
        QVERIFY(f.shownStartingWith("The engine ended with exit code 3. Its last output:\n  cannot compute"));
        // No numbers of the run before under this run's name.
        QCOMPARE(f.form->temGraph()->series("dB/dt 1")->count(), 0);
        QCOMPARE(f.form->temGraph()->series("Apparent Resistivity 1")->count(), 0);
        for (int r = 0; r < f.table()->rowCount(); ++r) {
            const QTableWidgetItem* v = f.table()->item(r, 1);
            QVERIFY(!v || v->text().isEmpty() || v->text().toDouble() == 0);
        }
        QVERIFY(f.form->isVisible());
        QVERIFY(f.form->runner()->consoleText().contains("cannot compute"));
    }

    void directWithoutAnArrayFileNeverTouchesTheTemConfiguration()
    {
        // The window opened by the editor on a TEM configuration; the operator picks "Direct" and
        // cancels the file dialog. The array window then works on an array name, never on the
        // configuration, and a missing array file gives the default array.
        Fixture f;
        const std::string tdc = f.dir.path().toStdString() + "/Survey.TDC";
        QFile::copy(QString::fromStdString(ShippedDemoConfiguration()), QString::fromStdString(tdc));
        f.session.ConfigIniName = f.session.cfg.LoadFilename = tdc;
        const std::string before = ReadText(tdc);
        std::string arrayWindowFile;
        f.form->showArrayWindow = [&] {
            TFormConfig array(f.session);
            array.ReadConfig();
            arrayWindowFile = f.session.ConfigIniName;
            array.BitBtnOKClick();
            return true;
        };
        f.form->show();
        f.op.messages.clear();
        // Cancel the "Direct" dialog; type the configuration's name into the array save dialog
        // (refused), then cancel it.
        f.dialogs.answers = {"", tdc, ""};
        f.get<RadioGroup>("RadioGroupTEMorDirect")->button(1)->click();

        const std::string defaultArray = f.session.folders.appData + "DCSetrix/Configurations/Array.DCC";
        QCOMPARE(f.dialogs.filters.size(), std::size_t(3));
        QVERIFY(f.dialogs.filters[0].find("DCC") != std::string::npos);
        QVERIFY(f.dialogs.filters[0].find("TDC") == std::string::npos);
        QVERIFY(f.dialogs.filters[0].find("GEX") == std::string::npos);
        QCOMPARE(QDir::cleanPath(QString::fromStdString(arrayWindowFile)),
                 QDir::cleanPath(QString::fromStdString(defaultArray)));
        QCOMPARE(QDir::cleanPath(QString::fromStdString(f.dialogs.initialFiles[1])),
                 QDir::cleanPath(QString::fromStdString(defaultArray)));
        QCOMPARE(std::count(f.op.messages.begin(), f.op.messages.end(),
                            std::string("Default device configuration being loaded as the specified "
                                        "configuration parameter file was not found!")),
                 1);
        QVERIFY(!f.shown("You must specify a Configuration file before continuing."));
        QVERIFY(f.shownStartingWith("Survey.TDC is not an array file name"));
        QCOMPARE(f.session.arrays.AConfig.numBipoles, 8);
        QCOMPARE(ReadText(tdc), before);
        QVERIFY(!QFile::exists(QString::fromStdString(tdc + "BAK")));
        QVERIFY(!QFile::exists(QString::fromStdString(f.dir.path().toStdString() + "/Survey.TDCBAK")));
    }

    void mainWindowOpensTheForwardWindow()
    {
        MainWindowFixture f;
        f.create();
        f.form->FormActivate();
        f.cfg().LoadFilename = f.dir.path().toStdString() + "/missing.TDC";
        f.get<QPushButton>("ButtonFwdModel")->click();
        QVERIFY(f.shown("The TDC configuration file must be saved before you can forward model"));

        const std::string copy = f.dir.path().toStdString() + "/Demo.TDC";
        QFile::copy(QString::fromStdString(ShippedDemoConfiguration()), QString::fromStdString(copy));
        f.form->LoadFile(QString::fromStdString(copy));
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TFormForward*>(QApplication::activeModalWidget());
            if (!w)
                return;
            seen = w->FwdModelParentForm == fmpfTEMSetrix && f.session.ConfigIniName == copy &&
                   w->method() == pmTDEM && !w->findChild<QPushButton*>("ButtonEnterConfig")->isVisible();
            w->reject();
        });
        f.get<QPushButton>("ButtonFwdModel")->click();
        QVERIFY(seen);
    }
};

QTEST_MAIN(ForwardWindowTest)
#include "forward_window_test.moc"
