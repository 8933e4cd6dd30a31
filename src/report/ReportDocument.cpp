#include "report/ReportDocument.h"

#include <QFontMetricsF>
#include <QTextOption>

#include <algorithm>
#include <numeric>

#include "report/ReportPlot.h"

namespace tem::report {

namespace {

constexpr double MarginSide = 50, MarginTop = 66, MarginBottom = 58;
constexpr double CellPadX = 3, CellPadY = 1.6;
constexpr double TableTextSize = 7.5;
const QColor HeaderFill(226, 230, 236), StripeFill(246, 247, 249), GridColour(170, 170, 170);

/// Free texts (a description, a file name) can be of any length; a row or a paragraph must still
/// fit on a page.
constexpr int MaxTextLength = 1000;
QString Capped(const QString& text)
{
    return text.size() > MaxTextLength ? text.left(MaxTextLength) + QStringLiteral("\u2026") : text;
}

QTextOption CellOption(Qt::Alignment align)
{
    QTextOption o(align);
    o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return o;
}

} // namespace

ReportDocument::ReportDocument(QPainter& painter, QSizeF pageSize, QString headerLeft, QString headerRight,
                               QString footerLeft)
    : painter_(painter), pageSize_(pageSize),
      content_(MarginSide, MarginTop, pageSize.width() - 2 * MarginSide,
               pageSize.height() - MarginTop - MarginBottom),
      headerLeft_(std::move(headerLeft)), headerRight_(std::move(headerRight)),
      footerLeft_(std::move(footerLeft))
{
    pages_.emplace_back();
    y_ = content_.top();
}

void ReportDocument::newPage()
{
    pages_.emplace_back();
    y_ = content_.top();
}

void ReportDocument::ensure(double height)
{
    if (height > remaining() && y_ > content_.top())
        newPage();
}

void ReportDocument::space(double points)
{
    if (y_ > content_.top())
        y_ = std::min(y_ + points, content_.bottom());
}

void ReportDocument::heading(const QString& text, int level, bool startPage, double keepWithNext)
{
    if (startPage && y_ > content_.top())
        newPage();
    const double size = level == 1 ? 15 : level == 2 ? 11.5 : 9.5;
    const QFont font = ReportFont(painter_, size, true);
    const QFontMetricsF fm(font, painter_.device());
    const double before = y_ > content_.top() ? (level == 1 ? 14 : level == 2 ? 10 : 6) : 0;
    const double h = fm.height() + (level == 1 ? 6 : 3);
    ensure(before + h + keepWithNext);
    if (y_ > content_.top())
        y_ += before;
    if (level == 1)
        outline_.push_back({text, pageCount() - 1});
    const QRectF box(content_.left(), y_, content_.width(), fm.height());
    const QColor colour = level == 1 ? QColor(20, 50, 100) : QColor(25, 25, 25);
    const double ruleY = y_ + fm.height() + 2;
    const double left = content_.left(), right = content_.right();
    add([=](QPainter& p) {
        p.setFont(font);
        p.setPen(colour);
        p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
        if (level == 1) {
            p.setPen(QPen(colour, 0.8));
            p.drawLine(QPointF(left, ruleY), QPointF(right, ruleY));
        }
    });
    y_ += h;
}

double ReportDocument::textWidth(const QString& text, const QFont& font)
{
    painter_.setFont(font);
    return painter_.boundingRect(QRectF(0, 0, 1e6, 1e6), Qt::AlignLeft | Qt::AlignTop, text).width();
}

void ReportDocument::contents(const QStringList& titles)
{
    const QFont font = ReportFont(painter_, 10);
    const QFontMetricsF fm(font, painter_.device());
    const double rowH = fm.height() + 5;
    for (const QString& title : titles) {
        ensure(rowH);
        const QRectF row(content_.left(), y_, content_.width(), rowH);
        add([this, font, row, title](QPainter& p) {
            QString page = QStringLiteral("\u2013");
            for (const OutlineEntry& e : outline_)
                if (e.title == title) {
                    page = QString::number(e.page + 1);
                    break;
                }
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, title);
            p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, page);
            const QRectF t = p.boundingRect(row, Qt::AlignLeft | Qt::AlignVCenter, title);
            const QRectF n = p.boundingRect(row, Qt::AlignRight | Qt::AlignVCenter, page);
            p.setPen(QPen(QColor(140, 140, 140), 0.6, Qt::DotLine));
            const double baseline = row.center().y() + 3;
            if (n.left() - t.right() > 12)
                p.drawLine(QPointF(t.right() + 4, baseline), QPointF(n.left() - 4, baseline));
        });
        y_ += rowH;
    }
    y_ += 6;
}

void ReportDocument::paragraph(const QString& whole, double size, bool italic)
{
    const QString text = Capped(whole);
    const QFont font = ReportFont(painter_, size, false, italic);
    painter_.setFont(font);
    QTextOption opt(Qt::AlignLeft);
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QRectF measured = painter_.boundingRect(QRectF(0, 0, content_.width(), 1e6), text, opt);
    const double h = measured.height();
    ensure(h);
    const QRectF box(content_.left(), y_, content_.width(), h + 1);
    add([=](QPainter& p) {
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(box, text, opt);
    });
    y_ += h + size * 0.45;
}

void ReportDocument::figure(double height, std::function<void(QPainter&, const QRectF&)> draw)
{
    height = std::min(height, content_.height());
    ensure(height);
    const QRectF box(content_.left(), y_, content_.width(), height);
    add([=](QPainter& p) {
        p.save();
        draw(p, box);
        p.restore();
    });
    y_ += height + 6;
}

void ReportDocument::table(const ReportTable& t)
{
    const int columns = int(std::max<std::size_t>(
        t.header.size(),
        t.rows.empty() ? 0 : std::max_element(t.rows.begin(), t.rows.end(), [](auto& a, auto& b) {
                                 return a.size() < b.size();
                             })->size()));
    if (columns == 0)
        return;
    const QFont body = ReportFont(painter_, TableTextSize);
    const QFont bold = ReportFont(painter_, TableTextSize, true);
    const QFontMetricsF bm(body, painter_.device());
    auto isBold = [&](int c) {
        return std::find(t.boldColumns.begin(), t.boldColumns.end(), c) != t.boldColumns.end();
    };
    auto alignOf = [&](int c) {
        return c < int(t.align.size()) ? t.align[std::size_t(c)] : Qt::Alignment(Qt::AlignLeft);
    };
    auto cell = [](const QStringList& row, int c) { return c < row.size() ? Capped(row[c]) : QString(); };

    // Natural widths: the widest line of every column.
    std::vector<double> natural(std::size_t(columns), 0);
    auto widen = [&](const QString& text, int c, const QFont& font) {
        for (const QString& line : text.split('\n'))
            natural[std::size_t(c)] =
                std::max(natural[std::size_t(c)], textWidth(line, font) + 2 * CellPadX + 1);
    };
    for (int c = 0; c < columns; ++c)
        widen(cell(t.header, c), c, bold);
    for (const QStringList& row : t.rows)
        for (int c = 0; c < columns; ++c)
            widen(cell(row, c), c, isBold(c) ? bold : body);

    // Columns narrower than their fair share keep their width; the others share what is left
    // in proportion to their natural width, and their text wraps.
    const double avail = content_.width();
    std::vector<double> width = natural;
    const double total = std::accumulate(natural.begin(), natural.end(), 0.0);
    if (total > avail) {
        std::vector<bool> fixed(std::size_t(columns), false);
        for (bool changed = true; changed;) {
            changed = false;
            double fixedSum = 0, wideSum = 0;
            int wide = 0;
            for (int c = 0; c < columns; ++c)
                if (fixed[std::size_t(c)])
                    fixedSum += natural[std::size_t(c)];
                else {
                    wideSum += natural[std::size_t(c)];
                    ++wide;
                }
            if (wide == 0)
                break;
            const double share = (avail - fixedSum) / wide;
            for (int c = 0; c < columns; ++c)
                if (!fixed[std::size_t(c)] && natural[std::size_t(c)] <= share) {
                    fixed[std::size_t(c)] = true;
                    changed = true;
                }
            if (!changed)
                for (int c = 0; c < columns; ++c)
                    if (!fixed[std::size_t(c)])
                        width[std::size_t(c)] = (avail - fixedSum) * natural[std::size_t(c)] / wideSum;
        }
    } else if (t.fullWidth && total > 0) {
        for (double& w : width)
            w *= avail / total;
    }
    const double tableWidth = std::accumulate(width.begin(), width.end(), 0.0);

    auto rowHeight = [&](const QStringList& row, bool header) {
        double h = 0;
        for (int c = 0; c < columns; ++c) {
            painter_.setFont(header || isBold(c) ? bold : body);
            const QRectF r =
                painter_.boundingRect(QRectF(0, 0, std::max(1.0, width[std::size_t(c)] - 2 * CellPadX), 1e6),
                                      cell(row, c), CellOption(alignOf(c)));
            h = std::max(h, r.height());
        }
        return std::max(h, bm.height()) + 2 * CellPadY;
    };

    const double left = content_.left();
    std::vector<bool> boldCols(static_cast<std::size_t>(columns));
    std::vector<Qt::Alignment> aligns(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        boldCols[std::size_t(c)] = isBold(c);
        aligns[std::size_t(c)] = alignOf(c);
    }
    auto drawRow = [&](const QStringList& row, bool header, bool stripe) {
        const double h = rowHeight(row, header);
        const double top = y_;
        std::vector<double> xs{left};
        for (double w : width)
            xs.push_back(xs.back() + w);
        add([=](QPainter& p) {
            const QRectF band(left, top, tableWidth, h);
            if (header)
                p.fillRect(band, HeaderFill);
            else if (stripe)
                p.fillRect(band, StripeFill);
            for (int c = 0; c < columns; ++c) {
                p.setFont(header || boldCols[std::size_t(c)] ? bold : body);
                p.setPen(Qt::black);
                const Qt::Alignment a = header ? Qt::Alignment(Qt::AlignLeft) : aligns[std::size_t(c)];
                const QRectF r(xs[std::size_t(c)] + CellPadX, top + CellPadY,
                               std::max(1.0, xs[std::size_t(c) + 1] - xs[std::size_t(c)] - 2 * CellPadX), h);
                p.drawText(r, c < row.size() ? Capped(row[c]) : QString(), CellOption(a));
            }
            p.setPen(QPen(GridColour, 0.4));
            p.drawLine(QPointF(left, top + h), QPointF(left + tableWidth, top + h));
            if (header)
                p.drawLine(QPointF(left, top), QPointF(left + tableWidth, top));
            for (double x : xs)
                p.drawLine(QPointF(x, top), QPointF(x, top + h));
        });
        y_ += h;
    };

    const bool hasHeader = !t.header.isEmpty();
    const double headerH = hasHeader ? rowHeight(t.header, true) : 0;
    ensure(headerH + (t.rows.empty() ? 0 : rowHeight(t.rows.front(), false)));
    if (hasHeader)
        drawRow(t.header, true, false);
    else if (!t.rows.empty()) {
        const double top = y_;
        add([=](QPainter& p) {
            p.setPen(QPen(GridColour, 0.4));
            p.drawLine(QPointF(left, top), QPointF(left + tableWidth, top));
        });
    }
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
        const double h = rowHeight(t.rows[i], false);
        if (h > remaining()) {
            newPage();
            if (hasHeader)
                drawRow(t.header, true, false);
            else {
                const double top = y_;
                add([=](QPainter& p) {
                    p.setPen(QPen(GridColour, 0.4));
                    p.drawLine(QPointF(left, top), QPointF(left + tableWidth, top));
                });
            }
        }
        drawRow(t.rows[i], false, i % 2 == 1);
    }
    y_ += 8;
}

void ReportDocument::paintFrame(int page)
{
    QPainter& p = painter_;
    const QFont font = ReportFont(p, 7.5);
    const QFontMetricsF fm(font, p.device());
    p.setFont(font);
    p.setPen(QColor(90, 90, 90));
    const double headerY = MarginTop - 22;
    const double left = content_.left(), right = content_.right();
    const double leftWidth = fm.horizontalAdvance(headerLeft_);
    const QString name = fm.elidedText(headerRight_, Qt::ElideMiddle, content_.width() - leftWidth - 20);
    p.drawText(QPointF(left, headerY), headerLeft_);
    p.drawText(QPointF(right - fm.horizontalAdvance(name), headerY), name);
    p.setPen(QPen(QColor(150, 150, 150), 0.5));
    p.drawLine(QPointF(left, headerY + 5), QPointF(right, headerY + 5));

    const double footerY = pageSize_.height() - MarginBottom + 30;
    p.drawLine(QPointF(left, footerY - fm.ascent() - 5), QPointF(right, footerY - fm.ascent() - 5));
    p.setPen(QColor(90, 90, 90));
    const QString number = QStringLiteral("Page %1 of %2").arg(page + 1).arg(pageCount());
    p.drawText(QPointF(right - fm.horizontalAdvance(number), footerY), number);
    const QString footer =
        fm.elidedText(footerLeft_, Qt::ElideRight, content_.width() - fm.horizontalAdvance(number) - 20);
    p.drawText(QPointF(left, footerY), footer);
}

void ReportDocument::paint(const std::function<bool()>& pageBreak)
{
    for (int i = 0; i < pageCount(); ++i) {
        if (i > 0 && !pageBreak())
            return;
        paintFrame(i);
        for (const PageOp& op : pages_[std::size_t(i)])
            op(painter_);
    }
}

} // namespace tem::report
