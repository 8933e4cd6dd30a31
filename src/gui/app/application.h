#pragma once

class QApplication;

namespace tem::gui {

/// Creates the windows, runs the event loop until the main window closes, returns the exit code.
int RunApplication(QApplication& app);

} // namespace tem::gui
