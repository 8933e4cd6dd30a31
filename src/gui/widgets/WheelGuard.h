#pragma once
// The mouse wheel scrolls; it does not edit. Spin boxes, combo boxes and sliders take the wheel
// only while they have keyboard focus: over any other such control the wheel scrolls the panel it
// stands in and changes nothing, so scrolling a long window never alters a value under the pointer.

#include <QObject>

namespace tem::gui {

class WheelGuard : public QObject {
    Q_OBJECT

  public:
    /// Installs the one guard on the application (again: nothing happens). Every window the
    /// application shows afterwards is guarded.
    static void Install();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit WheelGuard(QObject* parent) : QObject(parent) {}
};

} // namespace tem::gui
