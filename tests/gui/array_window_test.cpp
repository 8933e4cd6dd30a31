// The array window and its entry windows driven through their named controls, with a recording
// operator and scripted file dialogs.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/Session.h"
#include "arrays/ArrayAnalysisWindows.h"
#include "arrays/ArrayEntryWindows.h"
#include "arrays/TFormConfig.h"
#include "core/arrays/array_file.h"
#include "core/arrays/array_generators.h"
#include "core/files/value_forms.h"
#include "qcustomplot.h"

using namespace tem;
using namespace tem::gui;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Fixture {
    QTemporaryDir dir;
    RecordingOperator op;
    ScriptedFileDialogs dialogs;
    Session session{DataFolders::Under(dir.path().toStdString() + "/shared/"), op, dialogs};
    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>();
    TFormConfig* form = nullptr;

    std::string path(const char* name) const { return dir.path().toStdString() + "/" + name; }

    /// Writes an array file and opens the window on it (without the modal loop).
    void openOn(const ArrayDescription& d, const char* name = "Start.DCC")
    {
        WriteConfigIni(d, path(name));
        session.ConfigIniName = path(name);
        open();
    }
    void open()
    {
        form = new TFormConfig(session, owner.get());
        form->ReadConfig();
        form->show();
    }
    template <class T> T* get(const char* name) const
    {
        T* w = form->findChild<T*>(name);
        if (!w)
            qFatal("no control named %s", name);
        return w;
    }
    QTableWidget* grid() const { return get<QTableWidget>("StringGridArray"); }
    QString cell(int r, int c) const { return grid()->item(r, c) ? grid()->item(r, c)->text() : QString(); }
    void type(int r, int c, const QString& text) { grid()->item(r, c)->setText(text); }
    void typeCount(const QString& text)
    {
        auto* e = get<QLineEdit>("EditRxBipoles");
        e->setText(text);
        emit e->editingFinished();
    }
    bool shown(const std::string& text) const
    {
        return std::find(op.messages.begin(), op.messages.end(), text) != op.messages.end();
    }
    void trigger(const char* item)
    {
        QAction* a = form->action(item);
        QVERIFY2(a, item);
        a->trigger();
    }
};

ArrayDescription DefaultArray()
{
    RecordingOperator quiet;
    return DefaultArrayDescription(quiet);
}

/// Runs f on the modal window that opens next, once it is shown.
void WhenModal(std::function<void(QWidget*)> f)
{
    QTimer::singleShot(0, [f] {
        QWidget* w = QApplication::activeModalWidget();
        QVERIFY(w);
        f(w);
    });
}

QString G5(double v)
{
    return QString::fromStdString(FormatPrintfG(v, 5, 5));
}

void ExpectSameArray(const ArrayDescription& got, const ArrayDescription& want)
{
    QCOMPARE(got.AConfigExt.AConfigType, want.AConfigExt.AConfigType);
    QCOMPARE(got.AConfig.numBipoles, want.AConfig.numBipoles);
    QCOMPARE(got.AConfig.MaxCP, want.AConfig.MaxCP);
    for (int i = 1; i <= want.AConfig.numBipoles; ++i) {
        QCOMPARE(got.AConfig.numCurPot[i], want.AConfig.numCurPot[i]);
        QCOMPARE(got.AConfig.GeomFact[i], want.AConfig.GeomFact[i]);
        QCOMPARE(got.AConfig.EffDepth[i], want.AConfig.EffDepth[i]);
        for (int j = 1; j <= want.AConfig.numCurPot[i]; ++j) {
            QCOMPARE(got.AConfig.CP[i][j], want.AConfig.CP[i][j]);
            QCOMPARE(got.AConfig.CPProp[i][j], want.AConfig.CPProp[i][j]);
            QCOMPARE(got.AConfigExt.MonopoleTx[i][j], want.AConfigExt.MonopoleTx[i][j]);
        }
    }
}

} // namespace

class ArrayWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void tableShowsTheDescription()
    {
        Fixture f;
        f.openOn(DefaultArray());
        const TArrayConfiguration& a = f.session.arrays.AConfig;
        QCOMPARE(f.grid()->rowCount(), 9);
        QCOMPARE(f.grid()->columnCount(), 12);
        QCOMPARE(f.cell(0, 4), QString("Sep.  1"));
        QCOMPARE(f.cell(0, 11), QString("Portion 4"));
        QCOMPARE(f.cell(3, 0), QString("3"));
        QCOMPARE(f.cell(3, 2), G5(a.GeomFact[3]));
        QCOMPARE(f.cell(3, 6), QString("   18"));
        QCOMPARE(f.get<QLineEdit>("EditRxBipoles")->text(), QString("8"));
        QCOMPARE(f.form->windowTitle(), QString("Array configuration entry form"));
        // Every menu item is there.
        for (const char* item :
             {"Exponential Bipole", "Linear Bipole Bipole", "Schlumberger", "Wenner", "AarhusPACES",
              "GeneralPhiTheta", "GeneralXY", "Symmetrical Exponential",
              "ReCalculate Geometric Factors/Refresh chart", "ReCalculate Effective Depths",
              "Graph NDIC curves", "Graph Signal Contribution Elements", "Graph Detectability Curves",
              "Detectability Curve Options", "Graph Signal w.r.t. Effective Depth",
              "Tabulate electrode coords", "Document Config. in a Text file", "not available here yet"})
            QVERIFY2(f.form->action(item), item);
    }

    void countBoxKeepsACount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("message");
        QTest::newRow("zero") << "0" << 8 << false;
        QTest::newRow("negative") << "-3" << 8 << false;
        QTest::newRow("not a number") << "eight" << 8 << true;
        QTest::newRow("beyond 25") << "26" << 8 << true;
        QTest::newRow("twelve") << " 12 " << 12 << false;
        QTest::newRow("twenty-five") << "25" << 25 << false;
    }
    void countBoxKeepsACount()
    {
        QFETCH(QString, typed);
        QFETCH(int, count);
        QFETCH(bool, message);
        Fixture f;
        f.openOn(DefaultArray());
        f.op.messages.clear();
        f.typeCount(typed);
        QCOMPARE(f.session.arrays.AConfig.numBipoles, count);
        QCOMPARE(f.grid()->rowCount(), count + 1);
        QCOMPARE(f.cell(count, 0), QString::number(count));
        QCOMPARE(f.get<QLineEdit>("EditRxBipoles")->text().trimmed(), QString::number(count));
        QCOMPARE(!f.op.messages.empty(), message);
    }

    void geomFactEditIsIgnoredUntilRecalculation()
    {
        Fixture f;
        f.openOn(DefaultArray());
        const double before = f.session.arrays.AConfig.GeomFact[2];
        f.type(2, 2, "999");
        QVERIFY(f.shown("Ignoring change, use Recalculate button"));
        QCOMPARE(f.session.arrays.AConfig.GeomFact[2], before);
        f.op.messages.clear();
        f.type(1, 3, "5");
        QVERIFY(f.shown("Ignoring change, use Recalculate button"));
        f.trigger("ReCalculate Geometric Factors/Refresh chart");
        QCOMPARE(f.cell(2, 2), G5(before));
    }

    void cellEditsSetPairs()
    {
        Fixture f;
        f.openOn(DefaultArray());
        TArrayConfiguration& a = f.session.arrays.AConfig;
        f.type(2, 6, "20.5");
        f.type(2, 7, "-0.5");
        QCOMPARE(a.CP[2][2], 20.5);
        QCOMPARE(a.CPProp[2][2], -0.5);
        // A separation that is not a number is refused and the cell shows the kept value.
        f.op.messages.clear();
        f.type(2, 4, "abc");
        QCOMPARE(f.op.messages.size(), std::size_t(1));
        QCOMPARE(a.CP[2][1], 1.0);
        QCOMPARE(f.cell(2, 4), G5(1));
        f.type(2, 4, "nan");
        QCOMPARE(a.CP[2][1], 1.0);
        // An empty cell changes nothing; a pair count must be a count.
        f.type(2, 4, "");
        QCOMPARE(a.CP[2][1], 1.0);
        f.type(2, 1, "0");
        QCOMPARE(a.numCurPot[2], 4);
        f.type(2, 1, "5");
        QCOMPARE(a.numCurPot[2], 5);
        QCOMPARE(a.MaxCP, 5);
        // Effective depths are recomputed into column 3 with eight digits.
        a.CP[2][1] = 10;
        f.trigger("ReCalculate Effective Depths");
        QCOMPARE(f.cell(2, 3), QString::fromStdString(FormatPrintfG(a.EffDepth[2], 9, 8)));
    }

    void pairsBeyondFourteenAreShownOnly()
    {
        ArrayDescription d = DefaultArray();
        d.AConfig.numBipoles = 2;
        d.AConfig.numCurPot[1] = 16;
        d.AConfig.MaxCP = 16;
        for (int j = 1; j <= 16; ++j) {
            d.AConfig.CP[1][j] = j;
            d.AConfig.CPProp[1][j] = j % 2 ? 0.125 : -0.125;
        }
        Fixture f;
        f.openOn(d);
        TArrayConfiguration& a = f.session.arrays.AConfig;
        QCOMPARE(f.grid()->columnCount(), 36);
        QCOMPARE(f.cell(0, 34), QString("Sep. 16"));
        QCOMPARE(f.cell(1, 34), G5(16));
        QVERIFY(f.grid()->item(1, 31)->flags() & Qt::ItemIsEditable);
        QVERIFY(!(f.grid()->item(1, 32)->flags() & Qt::ItemIsEditable));
        f.type(1, 31, "0.25");
        QCOMPARE(a.CPProp[1][14], 0.25);
        f.type(1, 32, "99");
        f.type(1, 35, "0.5");
        QCOMPARE(a.CP[1][15], 15.0);
        QCOMPARE(a.CPProp[1][16], -0.125);
    }

    void documentHeaderFollowsConfigurationOne()
    {
        ArrayDescription d = DefaultArray();
        d.AConfig.numCurPot[1] = 2;
        d.AConfig.numCurPot[2] = 5;
        Fixture f;
        f.openOn(d);
        f.dialogs.answers.push_back(f.path("Doc.Cfg"));
        f.trigger("Document Config. in a Text file");
        QCOMPARE(f.dialogs.titles.back(), std::string("Save ASCII Array configuration file As"));
        std::ifstream in(f.path("Doc.Cfg"), std::ios::binary);
        std::string first, header;
        std::getline(in, first);
        std::getline(in, header);
        QCOMPARE(first, std::string("numBipoles: 08\r"));
        QCOMPARE(header, std::string("   numCP GeomFact EffDepth     CP 1 CPProp 1     CP 2 CPProp 2\r"));
    }

    void okWritesTheFileOrNothing()
    {
        Fixture f;
        f.openOn(DefaultArray());
        const std::string start = f.session.ConfigIniName;
        // Cancel in the save dialog: closed with OK, nothing written, the name kept.
        QTest::mouseClick(f.get<QPushButton>("BitBtnOK"), Qt::LeftButton);
        QCOMPARE(f.form->result(), int(QDialog::Accepted));
        QCOMPARE(f.session.ConfigIniName, start);
        QCOMPARE(f.dialogs.titles.back(), std::string("Your new config. will be saved to"));
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files).size(), 1);

        // A chosen name without extension gets ".DCC" and becomes ConfigIniName.
        f.form->show();
        f.typeCount("5");
        f.get<QLineEdit>("LabeledEditOffSetBehind")->setText("2.5");
        f.dialogs.answers.push_back(f.path("Saved"));
        QTest::mouseClick(f.get<QPushButton>("BitBtnOK"), Qt::LeftButton);
        QCOMPARE(f.session.ConfigIniName, f.path("Saved.DCC"));
        RecordingOperator op;
        ArrayDescription back;
        ReadConfigIni(back, f.path("Saved.DCC"), op);
        QCOMPARE(back.AConfig.numBipoles, 5);
        QCOMPARE(back.OffsetBehind, 2.5);

        // An offset that is not a number keeps the window open and writes nothing.
        f.form->show();
        f.get<QLineEdit>("LabeledEditOffsetRight")->setText("right");
        f.dialogs.answers.push_back(f.path("Never.DCC"));
        f.op.messages.clear();
        QTest::mouseClick(f.get<QPushButton>("BitBtnOK"), Qt::LeftButton);
        QVERIFY(f.form->isVisible());
        QCOMPARE(f.op.messages.size(), std::size_t(1));
        QVERIFY(!QFile::exists(QString::fromStdString(f.path("Never.DCC"))));
    }

    void okOverAnArrayFileKeepsANumberedBackup()
    {
        // Replacing an array file keeps the old one as configuration saves do: X.DCCBAK, then
        // X(0).DCCBAK, each with the text the file had before that save.
        Fixture f;
        ArrayDescription d = DefaultArray();
        d.AConfig.numBipoles = 3;
        f.openOn(d, "Field.DCC");
        const std::string first = ReadAll(f.path("Field.DCC"));
        for (const char* count : {"4", "5"}) {
            f.form->show();
            f.typeCount(count);
            f.dialogs.answers.push_back(f.path("Field.DCC"));
            f.op.answers = {true};
            QTest::mouseClick(f.get<QPushButton>("BitBtnOK"), Qt::LeftButton);
        }
        QCOMPARE(ReadAll(f.path("Field.DCCBAK")), first);
        RecordingOperator op;
        ArrayDescription back;
        ReadConfigIni(back, f.path("Field(0).DCCBAK"), op);
        QCOMPARE(back.AConfig.numBipoles, 4);
        ReadConfigIni(back, f.path("Field.DCC"), op);
        QCOMPARE(back.AConfig.numBipoles, 5);
    }

    void entryPointReadsOnOpeningAndReturnsOK()
    {
        Fixture f;
        ArrayDescription d = DefaultArray();
        d.AConfig.numBipoles = 3;
        WriteConfigIni(d, f.path("Three.DCC"));
        f.session.ConfigIniName = f.path("Three.DCC");
        WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        QVERIFY(!EnterArrayConfiguration(f.session, f.owner.get()));
        QCOMPARE(f.session.arrays.AConfig.numBipoles, 3);
        WhenModal(
            [](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>("BitBtnOK"), Qt::LeftButton); });
        QVERIFY(EnterArrayConfiguration(f.session, f.owner.get()));
        // One array window per owner, kept between openings.
        QCOMPARE(f.owner->findChildren<TFormConfig*>().size(), 1);
    }

    void aarhusPacesResetsTheCount()
    {
        Fixture f;
        f.openOn(DefaultArray());
        f.typeCount("12");
        f.trigger("AarhusPACES");
        QCOMPARE(f.session.arrays.AConfig.numBipoles, 8);
        QCOMPARE(f.get<QLineEdit>("EditRxBipoles")->text(), QString("8"));
        QCOMPARE(f.grid()->rowCount(), 9);
        QVERIFY(f.form->action("AarhusPACES")->isChecked());
    }

    // Each generator's OK gives the description the core builds from the same values.
    void generatorsGiveTheCoreDescription_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("exponential") << "Exponential Bipole";
        QTest::newRow("linear") << "Linear Bipole Bipole";
        QTest::newRow("schlumberger") << "Schlumberger";
        QTest::newRow("wenner") << "Wenner";
        QTest::newRow("phi theta") << "GeneralPhiTheta";
        QTest::newRow("xy") << "GeneralXY";
    }
    void generatorsGiveTheCoreDescription()
    {
        QFETCH(QString, item);
        Fixture f;
        f.openOn(DefaultArray());
        f.typeCount("5");
        ArrayDescription want = f.session.arrays;
        RecordingOperator op;
        const int n = 5;
        if (item == "Exponential Bipole") {
            ExponentialBipoleEntry e;
            RefreshExponentialTable(e, n + 1, op);
            QVERIFY(GenerateExponentialBipole(want, n, e, op));
        } else if (item == "Linear Bipole Bipole") {
            LinearBipoleBipoleEntry e;
            RefreshLinearTable(e, n);
            QVERIFY(GenerateLinearBipoleBipole(want, n, e, op));
        } else if (item == "Schlumberger") {
            SchlumbergerEntry e;
            e.Rows = {{"1", "0.1"}};
            QVERIFY(FillDownSchlumberger(e, n, op));
            QVERIFY(GenerateSchlumberger(want, n, e, op));
        } else if (item == "Wenner") {
            WennerEntry e;
            ActivateWennerTable(e, n);
            QVERIFY(GenerateWenner(want, n, e, op));
        } else if (item == "GeneralPhiTheta") {
            // Generated below from the rows the window shows.
        } else {
            GeneralXYEntry e;
            for (int i = 1; i <= n; ++i) {
                std::array<std::string, 8> row;
                for (int k = 1; k <= 4; ++k) {
                    row[std::size_t(2 * k - 2)] = FormatGeneral(want.AConfigExt.Elecx[i][k]);
                    row[std::size_t(2 * k - 1)] = FormatGeneral(want.AConfigExt.Elecy[i][k]);
                }
                e.Rows.push_back(row);
            }
            QVERIFY(GenerateGeneralXY(want, n, e, op));
        }

        std::vector<std::array<std::string, 5>> phiThetaShown;
        WhenModal([&](QWidget* w) {
            if (item == "Schlumberger") {
                auto* g = w->findChild<QTableWidget*>("StringGridSchlumberger");
                g->item(0, 1)->setText("1");
                g->item(0, 2)->setText("0.1");
                QTest::mouseClick(w->findChild<QPushButton*>("ButtonFillDown"), Qt::LeftButton);
            }
            if (item == "GeneralPhiTheta") {
                auto* g = w->findChild<QTableWidget*>("StringGridPhiTheta");
                for (int r = 0; r < g->rowCount(); ++r) {
                    std::array<std::string, 5> row;
                    for (int c = 1; c <= 5; ++c)
                        row[std::size_t(c - 1)] = g->item(r, c)->text().toStdString();
                    phiThetaShown.push_back(row);
                }
            }
            QTest::mouseClick(w->findChild<QPushButton*>("BitBtnOK"), Qt::LeftButton);
        });
        f.trigger(item.toLatin1().constData());
        if (item == "GeneralPhiTheta") {
            GeneralPhiThetaEntry e;
            e.Rows = phiThetaShown;
            QCOMPARE(int(e.Rows.size()), n);
            QVERIFY(GenerateGeneralPhiTheta(want, n, e, op));
        }
        ExpectSameArray(f.session.arrays, want);
        QVERIFY(f.form->action(item)->isChecked());
        // The GeneralXY information comes once, before the entry window, not again after OK.
        QCOMPARE(std::count(f.op.messages.begin(), f.op.messages.end(), std::string(GeneralXYMessage)),
                 item == "GeneralXY" ? 1 : 0);
        QCOMPARE(f.grid()->rowCount(), n + 1);
        QCOMPARE(f.cell(n, 2), G5(want.AConfig.GeomFact[n]));
    }

    // A refused entry keeps its window open and the description as it was.
    void refusedEntryKeepsTheDescription()
    {
        Fixture f;
        f.openOn(DefaultArray());
        const ArrayDescription before = f.session.arrays;
        bool stayedOpen = false;
        WhenModal([&](QWidget* w) {
            auto* g = w->findChild<QTableWidget*>("StringGridWenner");
            g->item(1, 1)->setText("two");
            QTest::mouseClick(w->findChild<QPushButton*>("BitBtnOK"), Qt::LeftButton);
            stayedOpen = w->isVisible();
            QTest::mouseClick(w->findChild<QPushButton*>("BitBtnCancel"), Qt::LeftButton);
        });
        f.trigger("Wenner");
        QVERIFY(stayedOpen);
        QVERIFY(!f.op.messages.empty());
        ExpectSameArray(f.session.arrays, before);
    }

    // The curves exist while their window is shown; the signal-to-noise series accumulate.
    void chartSeriesLiveAsLongAsTheirWindow()
    {
        Fixture f;
        f.openOn(DefaultArray());
        const int n = f.session.arrays.AConfig.numBipoles;
        auto plot = [&](const char* window, const char* chart) {
            return f.form->findChild<QDialog*>(window)->findChild<QCustomPlot*>(chart);
        };
        int shownNDIC = -1, shownDetect = -1;
        WhenModal([&](QWidget* options) {
            QCOMPARE(options->objectName(), QString("Form2LayerNDIC"));
            static_cast<QDialog*>(options)->accept();
            WhenModal([&](QWidget* w) {
                auto* ndic = w->findChild<QCustomPlot*>("ChartNDIC");
                shownNDIC = ndic->graphCount();
                // A legend names every configuration's curve.
                QVERIFY(ndic->legend->visible());
                QCOMPARE(ndic->legend->itemCount(), shownNDIC);
                QCOMPARE(ndic->graph(0)->name(), QString("Config. 1"));
                static_cast<QDialog*>(w)->accept();
            });
        });
        f.trigger("Graph NDIC curves");
        QCOMPARE(shownNDIC, n);
        QCOMPARE(plot("FormNDICGraph", "ChartNDIC")->graphCount(), 0);

        WhenModal([&](QWidget* w) {
            shownDetect = w->findChild<QCustomPlot*>("ChartDetect")->graphCount();
            static_cast<QDialog*>(w)->accept();
        });
        f.trigger("Graph Detectability Curves");
        QCOMPARE(shownDetect, 2 * n + 2);
        QCOMPARE(plot("FormDetect", "ChartDetect")->graphCount(), 0);

        auto closeNext = [] { WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); }); };
        closeNext();
        f.trigger("Graph Signal w.r.t. Effective Depth");
        closeNext();
        f.trigger("Graph Signal w.r.t. Effective Depth");
        QCustomPlot* sig = plot("FormSigVsEffDepth", "ChartSigVsEffDepth");
        QCOMPARE(f.form->findChild<QDialog*>("FormSigVsEffDepth")->windowTitle(),
                 QString("Signal to Noise Ratio versus Effective Depth"));
        QCOMPARE(sig->graphCount(), 2);
        QCOMPARE(sig->graph(0)->name(), QString("Geo-electric Array 0"));
        QCOMPARE(sig->graph(1)->name(), QString("Geo-electric Array 1"));
        QTest::mouseClick(f.form->findChild<QDialog*>("FormSigVsEffDepth")
                              ->findChild<QPushButton*>("ButtonRemoveAllSeries"),
                          Qt::LeftButton);
        QCOMPARE(sig->graphCount(), 0);
        closeNext();
        f.trigger("Graph Signal w.r.t. Effective Depth");
        QCOMPARE(sig->graph(0)->name(), QString("Geo-electric Array 0"));
    }

    // A box that is not a number stops the command with a message before anything is drawn.
    void optionTextThatIsNotANumberDrawsNothing()
    {
        Fixture f;
        f.openOn(DefaultArray());
        auto* options = f.form->findChild<QDialog*>("DetectabilityDlg");
        options->findChild<QLineEdit*>("EditNoiseV")->setText("quiet");
        f.op.messages.clear();
        f.trigger("Graph Detectability Curves");
        QCOMPARE(f.op.messages.size(), std::size_t(1));
        QCOMPARE(f.op.messages[0], std::string("'quiet' is not a valid floating point value"));
        QCOMPARE(f.form->findChild<QDialog*>("FormDetect")->isVisible(), false);

        // The section window limits "Config" to the count and draws the chosen configuration.
        f.typeCount("3");
        auto* sce = f.form->findChild<QDialog*>("FormSigContrib");
        bool drawn = false;
        int maximum = 0;
        WhenModal([&](QWidget* w) {
            maximum = w->findChild<QSpinBox*>("SpinEditConfig")->maximum();
            auto* chart = w->findChild<QCustomPlot*>("ChartSCE");
            drawn = chart->graphCount() == 3 && chart->xAxis->range().lower < 0;
            // The depth axis is logarithmic, as its title says, and holds the electrodes' depth.
            QCOMPARE(chart->yAxis->label(), QString("Depth (log metres)"));
            QCOMPARE(chart->yAxis->scaleType(), QCPAxis::stLogarithmic);
            QVERIFY(chart->yAxis->range().contains(chart->graph(2)->data()->at(0)->value));
            w->findChild<QLineEdit*>("EditY")->setText("y");
            QTest::mouseClick(w->findChild<QPushButton*>("ButtonUpdate"), Qt::LeftButton);
            static_cast<QDialog*>(w)->accept();
        });
        f.op.messages.clear();
        f.trigger("Graph Signal Contribution Elements");
        QVERIFY(sce);
        QCOMPARE(maximum, 3);
        QVERIFY(drawn);
        QCOMPARE(f.op.messages, std::vector<std::string>{"'y' is not a valid floating point value"});
    }
};

QTEST_MAIN(ArrayWindowTest)
#include "array_window_test.moc"
