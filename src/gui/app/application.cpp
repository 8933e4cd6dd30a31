#include "app/application.h"

#include <QApplication>
#include <QMainWindow>

namespace tem::gui {

int RunApplication(QApplication& app)
{
    QApplication::setApplicationName("TEM Setrix");
    QMainWindow window;
    window.setWindowTitle("TEM Setrix");
    window.show();
    return app.exec();
}

}  // namespace tem::gui
