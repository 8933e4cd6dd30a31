// temsetrix-screenshots: opens every window on the demonstration configuration and writes one PNG
// per window, so the pictures in the README show the program as it is. Runs without a display
// (QT_QPA_PLATFORM=offscreen); `make screenshots` writes them into docs/screenshots/.
//
//     temsetrix-screenshots [--size WxH] [FOLDER]
//
// --size draws every window at one size (for example 1024x600, to check a small screen).
//
// To add a window: add one entry to Shots() below: the PNG's name, the size to draw it at (the
// size it opens at on a large screen) and a function that creates the window from the session. The
// session holds the demonstration configuration as the main window loaded it.

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QScrollArea>
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
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "editor/TFormHELP.h"
#include "editor/TFormTEMAcqChannels.h"
#include "editor/TFormTEMConfig.h"
#include "editor/TFormTimeBase.h"
#include "editor/TFormTxWaveforms.h"
#include "editor/TFormVehicleParams.h"
#include "forward/TFormEngineRunner.h"
#include "forward/TFormForward.h"
#include "forward/TFormFwdModelGraph.h"
#include "forward/TFormTEMFwdModelGraph.h"
#include "response/TFormSysResp.h"
#include "systest/TFormVarloSystemTest.h"

namespace {

using tem::gui::Session;

/// A window to draw and what keeps it alive: for a window that another one owns (a graph window
/// of the forward window), the owner.
struct Opened {
    std::unique_ptr<QWidget> owner;
    QWidget* window = nullptr;
};

struct Shot {
    QString name; ///< PNG file name without extension
    QSize size;   ///< drawn at this size (the size it opens at on a large screen)
    std::function<Opened(Session&)> open;
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

/// The forward window after "Recalculate" on its starting models; its TEM or geo-electric graph.
Opened ForwardGraph(Session& s, bool tem)
{
    auto forward = std::make_unique<tem::gui::TFormForward>(s);
    forward->show();
    Settle();
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
    forward->hide();
    QWidget* graph = tem ? static_cast<QWidget*>(forward->temGraph()) : forward->geoGraph();
    return {std::move(forward), graph};
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
        {"main-window-1024x600", {1024, 600}, MainWindow},
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
        {"forward-modelling",
         {1500, 940},
         [](Session& s) { return Own(std::make_unique<tem::gui::TFormForward>(s)); }},
        {"forward-tem-graph", {1400, 900}, [](Session& s) { return ForwardGraph(s, true); }},
        {"system-response", {1500, 940}, [](Session& s) { return Own(std::make_unique<TFormSysResp>(s)); }},
        {"system-test", {1400, 900}, SystemTest},
        {"array-configuration",
         {1500, 940},
         [](Session& s) { return Own(std::make_unique<tem::gui::TFormConfig>(s)); }},
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
        window->show();
        Settle();
        const QSize size = !forcedSize.isEmpty()  ? forcedSize
                           : !shot.size.isEmpty() ? shot.size.expandedTo(ContentMinimum(*window))
                                                  : window->size().expandedTo(window->sizeHint());
        window->resize(size);
        Settle();
        const QString file = outFolder + "/" + shot.name + ".png";
        if (!window->grab().save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s (%dx%d)\n", qPrintable(file), window->width(), window->height());
        ReportMessages(op, shot.name);
        window->hide();
        opened.owner.reset();
        // A window may commit into the model when it closes; the next one starts from the same.
        session.cfg = before;
        ++written;
    }
    std::printf("%d screenshots written to %s\n", written, qPrintable(outFolder));
    return 0;
}
