#include "widgets/WrapPushButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tem::gui {

namespace {
constexpr int HorizontalPadding = 6;
constexpr int VerticalPadding = 5;
constexpr int PreferredWidth = 96;
} // namespace

WrapPushButton::WrapPushButton(QWidget* parent) : QPushButton(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int WrapPushButton::textHeight(int width) const
{
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, qMax(1, width - 2 * HorizontalPadding), 10000),
                                               Qt::AlignCenter | Qt::TextWordWrap, text());
    return r.height();
}

QSize WrapPushButton::sizeHint() const
{
    return {PreferredWidth, heightForWidth(PreferredWidth)};
}

QSize WrapPushButton::minimumSizeHint() const
{
    // As narrow as the longest word allows.
    int longest = 0;
    for (const QString& w : text().split(' ', Qt::SkipEmptyParts))
        longest = qMax(longest, fontMetrics().horizontalAdvance(w));
    const int width = longest + 2 * HorizontalPadding + 2;
    return {width, heightForWidth(width)};
}

int WrapPushButton::heightForWidth(int width) const
{
    return qMax(textHeight(width) + 2 * VerticalPadding, fontMetrics().height() * 2 + 2 * VerticalPadding);
}

void WrapPushButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(rect().adjusted(HorizontalPadding, 2, -HorizontalPadding, -2),
               Qt::AlignCenter | Qt::TextWordWrap, text());
}

} // namespace tem::gui
