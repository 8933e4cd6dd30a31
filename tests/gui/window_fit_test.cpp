// Every window opens inside the screen's free area, frame and title bar included. The program runs
// twice, on the screens of a 1024 x 600 field laptop and of a 1600 x 1000 desktop (the offscreen
// platform's screen, from the configuration file CMake passes in QT_QPA_PLATFORM).

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "GuiTestSupport.h"
#include "arrays/TFormConfig.h"
#include "config/TFormHELP.h"
#include "config/TFormTEMAcqChannels.h"
#include "config/TFormTimeBase.h"
#include "config/TFormTxWaveforms.h"
#include "config/TFormVehicleParams.h"
#include "forward/TFormForward.h"
#include "response/TFormSysResp.h"
#include "systest/TFormVarloSystemTest.h"
#include "widgets/WindowFit.h"

using namespace tem;
using namespace tem::gui;
using namespace tem::gui::test;

Q_DECLARE_METATYPE(QMargins)

class WindowFitTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<MainWindowFixture> f_;
    std::vector<std::unique_ptr<QWidget>> satellites_;
    std::map<QString, QWidget*> windows_; ///< every window and dialog, by a name of its own

  private slots:
    void initTestCase()
    {
        f_ = std::make_unique<MainWindowFixture>();
        MainWindowFixture& f = *f_;
        std::filesystem::create_directories(f.folder());
        QVERIFY(QFile::copy(QString::fromStdString(ShippedDemoConfiguration()),
                            QString::fromStdString(f.folder() + "DemoConfig.TDC")));
        TFormTEMConfig& main = f.create(); // it creates the help and forward windows with it
        Session& s = f.session;
        // The satellite windows, as the main window's buttons create them.
        satellites_.push_back(std::make_unique<TFormTimeBase>(s.cfg, s.folders, s.op, s.dialogs, &main));
        satellites_.push_back(std::make_unique<TFormTEMAcqChannels>(s.cfg, s.op, &main));
        satellites_.push_back(std::make_unique<TFormTxWaveforms>(s.cfg, s.op, &main));
        satellites_.push_back(std::make_unique<TFormVehicleParams>(s.cfg, s.op, s.dialogs, &main));
        satellites_.push_back(std::make_unique<TFormSysResp>(s, &main));
        satellites_.push_back(std::make_unique<TFormVarloSystemTest>(s.sysTest, s.op, s.dialogs, &main));
        // The array window creates its entry and analysis windows.
        satellites_.push_back(std::make_unique<TFormConfig>(s, main.forwardWindow()));
        for (QWidget* w : QApplication::topLevelWidgets()) {
            const Qt::WindowType type = w->windowType();
            if (type != Qt::Window && type != Qt::Dialog)
                continue;
            QString name = w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
            while (windows_.count(name))
                name += "'";
            windows_[name] = w;
        }
        // The main window first: its first showing reads the configuration the others show.
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.hide();
    }

    void cleanupTestCase()
    {
        satellites_.clear();
        f_.reset();
    }

    void everyWindowOpensInsideTheScreen_data()
    {
        QTest::addColumn<QString>("name");
        QVERIFY(windows_.size() >= 20);
        for (const auto& [name, w] : windows_)
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyWindowOpensInsideTheScreen()
    {
        QFETCH(QString, name);
        QWidget* w = windows_.at(name);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QRect available = w->screen()->availableGeometry();
        const QRect frame = w->frameGeometry();
        w->hide();
        QVERIFY2(available.contains(frame),
                 qPrintable(QString("%1: frame %2,%3 %4x%5 on a free area of %6x%7")
                                .arg(name)
                                .arg(frame.x())
                                .arg(frame.y())
                                .arg(frame.width())
                                .arg(frame.height())
                                .arg(available.width())
                                .arg(available.height())));
    }

    void fittedContentRect_data()
    {
        QTest::addColumn<QRect>("content");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("expected");
        const QMargins bar(4, 30, 4, 4);
        // On a 1024 x 600 screen with a 24-pixel panel at the top (free area y 24 to 599).
        QTest::newRow("fits: stays") << QRect(100, 100, 600, 400) << bar << QSize()
                                     << QRect(100, 100, 600, 400);
        QTest::newRow("too large: the free area less the frame")
            << QRect(-238, -175, 1500, 950) << bar << QSize() << QRect(4, 54, 1016, 542);
        QTest::newRow("title bar above the screen: moved down")
            << QRect(100, 10, 600, 400) << bar << QSize() << QRect(100, 54, 600, 400);
        QTest::newRow("off the right edge: moved left")
            << QRect(900, 100, 300, 200) << bar << QSize() << QRect(720, 100, 300, 200);
        QTest::newRow("minimum too large: title bar stays on screen")
            << QRect(0, 0, 1500, 950) << bar << QSize(1100, 700) << QRect(4, 54, 1100, 700);
    }
    void fittedContentRect()
    {
        QFETCH(QRect, content);
        QFETCH(QMargins, frame);
        QFETCH(QSize, minimum);
        QFETCH(QRect, expected);
        QCOMPARE(FittedContentRect(content, frame, QRect(0, 24, 1024, 576), minimum), expected);
    }
};

QTEST_MAIN(WindowFitTest)
#include "window_fit_test.moc"
