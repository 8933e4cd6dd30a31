#pragma once
// Every window opens inside its screen's free area, frame and title bar included: a window laid
// out for a desktop screen opens smaller on a 1024 x 600 field laptop (its content scrolls, see
// ScrollableWindow.h), and no title bar lands above or beside the screen, where the window could
// not be grabbed and moved.

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

namespace tem::gui {

/// The frame taken for a window before any window's frame is known: borders and a title bar of
/// the common window managers, a little generous.
inline constexpr QMargins TypicalWindowFrame{8, 36, 8, 8};

/// Where a window goes: the content rectangle for a window whose content is now `content`, with
/// the frame `frame` around it, on a screen whose free area is `available`. The window keeps its
/// size when it fits, else takes the largest that fits (never below `minimum`, the least its
/// layout allows), and is centred where it was; then it is moved, frame included, inside the free
/// area. A window larger than the free area even at its minimum keeps its title bar on screen.
QRect FittedContentRect(const QRect& content, const QMargins& frame, const QRect& available,
                        const QSize& minimum);

/// Fits one window to the screen it opens on (FittedContentRect), with its frame as the window
/// system reports it or, before the window was first shown, as another window's frame shows it.
void FitWindowToScreen(QWidget* window);

class WindowFit : public QObject {
    Q_OBJECT

  public:
    /// Installs the one fitter on the application (again: nothing happens): every window and
    /// dialog the application shows afterwards is fitted each time it is shown.
    static void Install();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit WindowFit(QObject* parent) : QObject(parent) {}
};

} // namespace tem::gui
