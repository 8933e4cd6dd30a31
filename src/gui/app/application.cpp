#include "app/application.h"

#include <QApplication>
#include <QFileInfo>

#include "app/MessageBoxOperator.h"
#include "app/QtFileDialogs.h"
#include "app/Session.h"
#include "editor/TFormTEMConfig.h"

namespace tem::gui {

int RunApplication(QApplication& app)
{
    QApplication::setApplicationName("TEM Setrix");
    QApplication::setApplicationDisplayName("TEM Setrix");
    QApplication::setQuitOnLastWindowClosed(false);

    MessageBoxOperator op;
    QtFileDialogs dialogs;
    Session session(DataFolders::ForUser(), op, dialogs);
    session.programName = QFileInfo(QApplication::applicationFilePath()).completeBaseName().toStdString();
    if (session.programName.empty())
        session.programName = "temsetrix";

    // The main window first: it reads the settings when it is created; the other windows are
    // created by it, hidden, and shown by its commands.
    TFormTEMConfig mainWindow(session);
    op.setParentWindow(&mainWindow);
    dialogs.setParentWindow(&mainWindow);
    QObject::connect(&mainWindow, &TFormTEMConfig::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    mainWindow.show();
    return app.exec();
}

}  // namespace tem::gui
