#include "app/application.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include <algorithm>
#include <clocale>

#include "app/MessageBoxOperator.h"
#include "app/QtFileDialogs.h"
#include "app/Session.h"
#include "config/TFormTEMConfig.h"
#include "core/tables/survey_tables.h"

namespace tem::gui {

int RunApplication(QApplication& app, const QString& startupFile)
{
    QApplication::setApplicationName("TEM Setrix");
    QApplication::setApplicationDisplayName("TEM Setrix");
    QApplication::setApplicationVersion(TEMSETRIX_VERSION);
    // The desktop ties the windows to the installed entry and icon through this name.
    QApplication::setDesktopFileName(ApplicationId);
    QApplication::setWindowIcon(QIcon::fromTheme(ApplicationId));
    QApplication::setQuitOnLastWindowClosed(false);
    // Numbers in files always use a point; C library conversions must not follow the desktop's
    // decimal comma.
    std::setlocale(LC_NUMERIC, "C");

    MessageBoxOperator op;
    QtFileDialogs dialogs;
    Session session(DataFolders::ForUser(), op, dialogs);
    session.programName = QFileInfo(QApplication::applicationFilePath()).completeBaseName().toStdString();
    if (session.programName.empty())
        session.programName = "temsetrix";
    session.ConfigType = ReadQuennelConfigType(session.folders, op);

    // The main window first: it reads the settings when it is created; the other windows are
    // created by it, hidden, and shown by its commands.
    TFormTEMConfig mainWindow(session);
    if (!startupFile.isEmpty())
        mainWindow.SetStartupFile(startupFile);
    op.setParentWindow(&mainWindow);
    dialogs.setParentWindow(&mainWindow);
    QObject::connect(&mainWindow, &TFormTEMConfig::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    mainWindow.show();
    return app.exec();
}

} // namespace tem::gui
