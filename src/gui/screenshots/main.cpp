// temsetrix-screenshots: opens every window on the demonstration configuration, with the data it
// shows in use, and writes one PNG per window, so the pictures in the README show the program as it
// is. Runs without a display (QT_QPA_PLATFORM=offscreen); `make screenshots` writes them into
// docs/screenshots/.
//
//     temsetrix-screenshots [--size WxH] [FOLDER]
//
// --size draws every window as it opens on a screen of that size (for example 1024x600, to check a
// small screen): no larger than the screen less a window frame. A picture whose name ends in a
// screen size (main-window-1024x600) is always drawn for that screen.
//
// To add a window: add one entry to Shots() below: the PNG's name, the size to draw it at (the
// size it opens at on a large screen), a function that creates the window from the session and,
// for a picture of a small screen, that screen's size. The session holds the demonstration
// configuration as the main window loaded it. A window that its command shows modally (and whose
// curves exist only while it is shown) is drawn while the command runs: the function returns the
// command as `run`, and every other modal dialog the command shows first is accepted as it is.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QScrollArea>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Session.h"
#include "arrays/TFormConfig.h"
#include "config/TFormHELP.h"
#include "config/TFormTEMAcqChannels.h"
#include "config/TFormTEMConfig.h"
#include "config/TFormTimeBase.h"
#include "config/TFormTxWaveforms.h"
#include "config/TFormVehicleParams.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "core/systest/system_test_analysis.h"
#include "forward/TFormEngineRunner.h"
#include "forward/TFormForward.h"
#include "forward/TFormFwdModelGraph.h"
#include "forward/TFormTEMFwdModelGraph.h"
#include "response/TFormSysResp.h"
#include "systest/TFormVarloSystemTest.h"
#include "widgets/WindowFit.h"

using namespace tem::gui;

namespace {

using tem::gui::Session;

/// A window to draw and what keeps it alive: for a window that another one owns (a graph window
/// of the forward window), the owner.
struct Opened {
    std::unique_ptr<QWidget> owner;
    QWidget* window = nullptr;
    /// For a window shown modally by a command: the command, during which the window is drawn.
    std::function<void()> run = {};
};

struct Shot {
    QString name; ///< PNG file name without extension
    QSize size;   ///< drawn at this size (the size it opens at on a large screen)
    std::function<Opened(Session&)> open;
    QSize screen = {}; ///< when set: drawn as it opens on a screen of this size (the name says which)
};

template <class W> Opened Own(std::unique_ptr<W> w)
{
    QWidget* window = w.get();
    return {std::move(w), window};
}

void Settle(int milliseconds = 150);

/// The main window with the configuration the session names loaded, as after the Load command.
std::unique_ptr<QWidget> LoadedMainWindow(Session& s)
{
    const QString file = QString::fromStdString(s.cfg.LoadFilename);
    auto w = std::make_unique<tem::gui::TFormTEMConfig>(s);
    w->show();
    Settle();
    w->LoadFile(file);
    return w;
}

Opened MainWindow(Session& s)
{
    return Own(LoadedMainWindow(s));
}

/// The forward window after "Recalculate" with the built-in engine, on two models of a survey
/// area: 100 ohm-m over 10 ohm-m, the upper layer 10 m and 100 m thick.
/// With `keepShown` the forward window stays as it is (showing it again would refill it).
std::unique_ptr<tem::gui::TFormForward> ForwardAfterRun(Session& s, bool keepShown = false)
{
    auto forward = std::make_unique<tem::gui::TFormForward>(s);
    forward->show();
    Settle();
    if (auto* layers = forward->findChild<QLineEdit*>("EditNumLayers")) {
        layers->setText("2");
        forward->EditNumLayersExit();
    }
    if (auto* grid = forward->findChild<QTableWidget*>("StringGridModel")) {
        // Columns 1 to 6: thickness from, resistivity from, thickness to, resistivity to (blank:
        // fixed), and the steps per decade of each.
        const struct {
            int row, col;
            const char* text;
        } cells[] = {{0, 1, "10"}, {0, 2, "100"}, {0, 3, "100"}, {0, 4, ""}, {0, 5, "1"},
                     {0, 6, "1"},  {1, 2, "10"},  {1, 4, ""},    {1, 6, "1"}};
        for (const auto& c : cells)
            if (QTableWidgetItem* item = grid->item(c.row, c.col))
                item->setText(c.text);
    }
    // The engine's console window stays until OK; closed here once the run has ended.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        auto* runner = qobject_cast<tem::gui::TFormEngineRunner*>(QApplication::activeModalWidget());
        if (runner && !runner->Running())
            runner->accept();
    });
    closer.start(100);
    forward->ButtonRecalculateClick();
    closer.stop();
    Settle(400);
    if (!keepShown)
        forward->hide();
    return forward;
}

/// The TEM graphs of a forward run.
Opened ForwardGraph(Session& s)
{
    auto forward = ForwardAfterRun(s);
    QWidget* graph = forward->temGraph();
    return {std::move(forward), graph};
}

/// The engine's console window after the run: the command line, the engine's lines, "Completed".
Opened EngineRunner(Session& s)
{
    auto forward = ForwardAfterRun(s);
    QWidget* runner = forward->runner();
    return {std::move(forward), runner};
}

/// The system response window as in use: the station-8 site response of a system test loaded as
/// field data, the site model computed with the built-in engine, and the system response seeded
/// from field minus model.
Opened SeededSystemResponse(Session& s)
{
    auto* dialogs = dynamic_cast<tem::ScriptedFileDialogs*>(&s.dialogs);
    tem::SystemTestData test;
    const std::string csv = s.folders.temConfig + tem::Stn8SiteResponseName;
    if (tem::LoadSystemTest(test, TEMSETRIX_SOURCE_DIR "/tests/data/systest/crlf.TXT", 0, s.op))
        tem::WriteStn8SiteResponse(test, csv);
    auto w = std::make_unique<TFormSysResp>(s);
    w->show();
    Settle();
    if (dialogs)
        dialogs->answers.push_back(csv);
    w->ButtonLoadFieldDataClick();
    w->ButtonForwardModelClick();
    w->ButtonSeedClick();
    return Own(std::move(w));
}

/// The array window with an array generated: the Aarhus PACES configurations.
std::unique_ptr<tem::gui::TFormConfig> GeneratedArray(Session& s)
{
    auto w = std::make_unique<tem::gui::TFormConfig>(s);
    if (QAction* paces = w->action("AarhusPACES"))
        paces->trigger();
    return w;
}

Opened ArrayWindow(Session& s)
{
    return Own(GeneratedArray(s));
}

/// One of the array window's analysis charts, drawn while the menu command that shows it runs.
std::function<Opened(Session&)> ArrayAnalysis(const char* window, const char* command)
{
    return [window, command](Session& s) {
        auto form = GeneratedArray(s);
        QWidget* chart = form->findChild<QDialog*>(window);
        QAction* action = form->action(command);
        Opened opened{std::move(form), chart, {}};
        if (action)
            opened.run = [action] { action->trigger(); };
        return opened;
    };
}

/// The system test window with a measured file loaded (from the test data of the source tree).
Opened SystemTest(Session& s)
{
    auto* dialogs = dynamic_cast<tem::ScriptedFileDialogs*>(&s.dialogs);
    auto w = std::make_unique<TFormVarloSystemTest>(s.sysTest, s.op, s.dialogs);
    w->show();
    Settle();
    if (dialogs) {
        dialogs->answers.push_back(TEMSETRIX_SOURCE_DIR "/tests/data/systest/crlf.TXT");
        w->ButtonLoadTXTClick();
    }
    return Own(std::move(w));
}

std::vector<Shot> Shots()
{
    return {
        {"main-window", {1600, 1000}, MainWindow},
        {"main-window-1024x600", {1600, 1000}, MainWindow, {1024, 600}},
        {"time-base",
         {1500, 940},
         [](Session& s) { return Own(std::make_unique<TFormTimeBase>(s.cfg, s.folders, s.op, s.dialogs)); }},
        {"acquisition-channels",
         {1100, 760},
         [](Session& s) { return Own(std::make_unique<TFormTEMAcqChannels>(s.cfg, s.op)); }},
        {"transmitter-waveforms",
         {1250, 720},
         [](Session& s) { return Own(std::make_unique<TFormTxWaveforms>(s.cfg, s.op)); }},
        {"vehicle-parameters",
         {1300, 800},
         [](Session& s) { return Own(std::make_unique<TFormVehicleParams>(s.cfg, s.op, s.dialogs)); }},
        {"help", {760, 640}, [](Session&) { return Own(std::make_unique<tem::gui::TFormHELP>()); }},
        {"forward-modelling", {1500, 940}, [](Session& s) { return Own(ForwardAfterRun(s, true)); }},
        {"forward-tem-graph", {1400, 900}, ForwardGraph},
        {"forward-tem-graph-1024x600", {1400, 900}, ForwardGraph, {1024, 600}},
        {"engine-runner", {760, 420}, EngineRunner},
        {"system-response", {1500, 940}, SeededSystemResponse},
        {"system-test", {1400, 900}, SystemTest},
        {"array-configuration", {1500, 940}, ArrayWindow},
        {"array-ndic", {1000, 700}, ArrayAnalysis("FormNDICGraph", "Graph NDIC curves")},
        {"array-detectability", {1000, 700}, ArrayAnalysis("FormDetect", "Graph Detectability Curves")},
        {"array-signal-depth",
         {1000, 700},
         ArrayAnalysis("FormSigVsEffDepth", "Graph Signal w.r.t. Effective Depth")},
        {"array-signal-contribution",
         {1100, 700},
         ArrayAnalysis("FormSigContrib", "Graph Signal Contribution Elements")},
    };
}

/// Lets the window lay itself out, run its first activation and draw.
void Settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

/// The least size at which a scrolling window shows its content without scroll bars.
QSize ContentMinimum(QWidget& window)
{
    const auto* scroll = window.findChild<QScrollArea*>(window.objectName() + "ScrollArea");
    if (!scroll || !scroll->widget())
        return {};
    return scroll->widget()->minimumSizeHint() + QSize(4, 4);
}

/// The size a window is drawn at: as it opens on `screen` when one is given (no larger than the
/// screen less a window frame), else the shot's size, widened so that nothing scrolls.
QSize DrawnSize(QWidget& window, const Shot& shot, const QSize& screen)
{
    if (screen.isEmpty())
        return !shot.size.isEmpty() ? shot.size.expandedTo(ContentMinimum(window))
                                    : window.size().expandedTo(window.sizeHint());
    const QSize design = shot.size.isEmpty() ? window.size() : shot.size;
    return tem::gui::FittedContentRect(QRect(QPoint(), design), tem::gui::TypicalWindowFrame,
                                       QRect(QPoint(), screen), window.minimumSize())
        .size();
}

/// Draws a shown window at its size into FOLDER/NAME.png; false when the file cannot be written.
bool Capture(QWidget* window, const Shot& shot, const QSize& screen, const QString& outFolder)
{
    Settle();
    window->resize(DrawnSize(*window, shot, screen));
    Settle();
    const QString file = outFolder + "/" + shot.name + ".png";
    if (!window->grab().save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s (%dx%d)\n", qPrintable(file), window->width(), window->height());
    return true;
}

/// Every message and question the windows raised (questions take their default answer).
void ReportMessages(tem::RecordingOperator& op, const QString& shot)
{
    for (const std::string& m : op.messages)
        std::fprintf(stderr, "%s: %s\n", qPrintable(shot), m.c_str());
    op.messages.clear();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("TEM Setrix");
    std::setlocale(LC_NUMERIC, "C");

    QString outFolder = "docs/screenshots";
    QSize forcedSize;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--size" && i + 1 < args.size()) {
            const QStringList wh = args[++i].split('x');
            forcedSize = wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
            if (forcedSize.isEmpty()) {
                std::fprintf(stderr, "--size takes WIDTHxHEIGHT, for example 1024x600\n");
                return 2;
            }
        } else if (args[i].startsWith("-")) {
            std::fprintf(stderr, "usage: temsetrix-screenshots [--size WxH] [FOLDER]\n");
            return 2;
        } else {
            outFolder = args[i];
        }
    }
    // Absolute: a forward run changes the working folder.
    outFolder = QDir(outFolder).absolutePath();
    if (!QDir().mkpath(outFolder)) {
        std::fprintf(stderr, "cannot create the folder %s\n", qPrintable(outFolder));
        return 1;
    }

    // A data folder of its own: the user's settings and files are never touched.
    QTemporaryDir dataHome;
    tem::RecordingOperator op;
    tem::ScriptedFileDialogs dialogs;
    Session session(tem::DataFolders::Under(QDir(dataHome.path()).absolutePath().toStdString() + "/"), op,
                    dialogs);
    QDir().mkpath(QString::fromStdString(session.folders.temConfig));
    const QString demo = QString::fromStdString(session.folders.temConfig) + "DemoConfig.TDC";
    const QString shipped = QString::fromStdString(tem::ShippedDemoConfiguration());
    if (!QFile::exists(demo) && !QFile::copy(shipped, demo)) {
        std::fprintf(stderr, "cannot copy the demonstration configuration from %s\n", qPrintable(shipped));
        return 1;
    }

    // The main window loads the demonstration first; every other window shows what it loaded.
    session.cfg.LoadFilename = demo.toStdString();
    {
        const std::unique_ptr<QWidget> loader = LoadedMainWindow(session);
        loader->hide();
        ReportMessages(op, "load");
    }
    // The forward window, as opened from the main window, works on the configuration it loaded.
    session.ConfigIniName = session.cfg.LoadFilename;

    int written = 0;
    for (const Shot& shot : Shots()) {
        const tem::Configuration before = session.cfg;
        Opened opened = shot.open(session);
        QWidget* window = opened.window;
        const QSize screen = !shot.screen.isEmpty() ? shot.screen : forcedSize;
        bool ok = false;
        if (!window) {
            std::fprintf(stderr, "%s: no window to draw\n", qPrintable(shot.name));
        } else if (opened.run) {
            // The command shows the window modally: it is drawn then, and hidden to end the command.
            bool drawn = false;
            QTimer watcher;
            QObject::connect(&watcher, &QTimer::timeout, [&] {
                QWidget* modal = QApplication::activeModalWidget();
                if (modal == window) {
                    watcher.stop();
                    ok = Capture(window, shot, screen, outFolder);
                    drawn = true;
                    window->hide();
                } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                    dialog->accept();
                }
            });
            watcher.start(100);
            opened.run();
            watcher.stop();
            if (!drawn)
                std::fprintf(stderr, "%s: the command did not show its window\n", qPrintable(shot.name));
        } else {
            window->show();
            ok = Capture(window, shot, screen, outFolder);
            window->hide();
        }
        if (!ok)
            return 1;
        ReportMessages(op, shot.name);
        opened.owner.reset();
        // A window may commit into the model when it closes; the next one starts from the same.
        session.cfg = before;
        ++written;
    }
    std::printf("%d screenshots written to %s\n", written, qPrintable(outFolder));
    return 0;
}
