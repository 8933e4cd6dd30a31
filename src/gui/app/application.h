#pragma once

#include <QString>

class QApplication;

namespace tem::gui {

/// The application's identifier: the name of its desktop entry, icon and AppStream metadata.
inline constexpr const char* ApplicationId = "org.temsetrix.temsetrix";

/// Creates the windows, runs the event loop until the main window closes, returns the exit code.
/// A startupFile (absolute) is opened in place of the configuration the settings name.
int RunApplication(QApplication& app, const QString& startupFile = {});

} // namespace tem::gui
