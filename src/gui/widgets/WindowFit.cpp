#include "widgets/WindowFit.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace tem::gui {

namespace {

bool FittedType(const QWidget* w)
{
    const Qt::WindowType type = w->windowType();
    return w->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

QMargins ReportedFrame(const QWidget* w)
{
    const QWindow* handle = w->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

/// The window's frame as the window system reports it. Before a window is first shown some window
/// systems know no frame yet; the frame of a window already shown stands in (a window manager
/// frames all windows alike), else TypicalWindowFrame.
QMargins FrameOf(const QWidget* window)
{
    if (const QMargins m = ReportedFrame(window); !m.isNull())
        return m;
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible() && FittedType(other))
            if (const QMargins m = ReportedFrame(other); !m.isNull())
                return m;
    return TypicalWindowFrame;
}

} // namespace

QRect FittedContentRect(const QRect& content, const QMargins& frame, const QRect& available,
                        const QSize& minimum)
{
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    const QSize size = content.size().boundedTo(room).expandedTo(minimum);
    QRect fitted(content.topLeft(), size);
    if (size != content.size())
        fitted.moveCenter(content.center());
    QRect outer = fitted.marginsAdded(frame);
    // Right and bottom edges first, then left and top: a window that cannot fit keeps its title
    // bar and its top left corner on screen.
    if (outer.right() > available.right())
        outer.moveRight(available.right());
    if (outer.bottom() > available.bottom())
        outer.moveBottom(available.bottom());
    if (outer.left() < available.left())
        outer.moveLeft(available.left());
    if (outer.top() < available.top())
        outer.moveTop(available.top());
    return outer.marginsRemoved(frame);
}

void FitWindowToScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen || (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    if (QLayout* layout = window->layout())
        layout->activate(); // the least size the layout allows, as it stands now
    const QRect available = screen->availableGeometry();
    const QMargins frame = FrameOf(window);
    QRect content = window->geometry();
    // A window the program has not placed opens over the middle of its parent window, or of the
    // screen (Qt would place a dialog so only after this, from its size before the fit).
    if (!window->testAttribute(Qt::WA_Moved)) {
        const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        content.moveCenter(parent && parent->isVisible() ? parent->geometry().center() : available.center());
    }
    const QRect fitted = FittedContentRect(content, frame, available, window->minimumSize());
    // The content rectangle, not the frame position: before a window is first shown some window
    // systems take a frame position for the content's, and the title bar would go above the screen.
    if (fitted != window->geometry())
        window->setGeometry(fitted);
}

void WindowFit::Install()
{
    if (!qApp || qApp->findChild<WindowFit*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    qApp->installEventFilter(new WindowFit(qApp));
}

bool WindowFit::eventFilter(QObject* watched, QEvent* event)
{
    // Before the window appears: the window system maps it at the fitted place and size.
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (FittedType(w))
            FitWindowToScreen(w);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tem::gui
