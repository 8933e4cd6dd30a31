#pragma once
// Windows laid out for a desktop screen must still work on a 1024 x 600 field laptop: their
// content goes into a scroll area, so the window can be made smaller than its layout (WindowFit
// then opens it inside the screen).

class QWidget;

namespace tem::gui {

/// Moves the window's layout into a scroll area filling the window. Call once, after the window's
/// controls are built (setupUi).
void MakeScrollable(QWidget* window);

} // namespace tem::gui
