#pragma once
// A push button whose caption wraps onto several lines, so long captions fit small buttons.

#include <QPushButton>

namespace tem::gui {

class WrapPushButton : public QPushButton {
    Q_OBJECT

  public:
    explicit WrapPushButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int textHeight(int width) const;
};

} // namespace tem::gui
