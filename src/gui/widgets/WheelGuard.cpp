#include "widgets/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace tem::gui {

namespace {

/// Controls whose value the wheel changes (a scroll bar only scrolls).
bool ValueControl(const QObject* o)
{
    return (qobject_cast<const QAbstractSpinBox*>(o) || qobject_cast<const QComboBox*>(o) ||
            qobject_cast<const QAbstractSlider*>(o)) &&
           !qobject_cast<const QScrollBar*>(o);
}

} // namespace

void WheelGuard::Install()
{
    if (!qApp || qApp->findChild<WheelGuard*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    qApp->installEventFilter(new WheelGuard(qApp));
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (!ValueControl(watched))
        return QObject::eventFilter(watched, event);
    auto* control = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Polish) {
        // A wheel would otherwise give the control focus first, and then edit it.
        if ((control->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
            control->setFocusPolicy(Qt::StrongFocus);
        return false;
    }
    if (event->type() != QEvent::Wheel || control->hasFocus())
        return false;
    // Scroll the nearest scrolling panel instead; where there is none, the wheel does nothing.
    for (QWidget* w = control->parentWidget(); w; w = w->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
            QApplication::sendEvent(area->viewport(), event);
            break;
        }
    return true;
}

} // namespace tem::gui
