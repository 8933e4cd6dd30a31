#pragma once
// Lays out a report of headings, text, tables and figures over A4 pages and paints it with a
// running header and page numbers. Layout happens first, page by page, so that the page count is
// known when the pages are painted; a table row or a figure is never split across pages, and a
// table that continues on a new page repeats its header row. Lengths are in points.

#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tem::report {

struct ReportTable {
    QStringList header; ///< the header row, repeated on every page the table spans
    std::vector<QStringList> rows;
    /// Alignment per column (left when not given); numbers read best right-aligned.
    std::vector<Qt::Alignment> align;
    /// Columns whose text is bold (the names of key/value tables).
    std::vector<int> boldColumns;
    /// Stretch the table over the whole text width (else the columns keep their natural width).
    bool fullWidth = false;
};

class ReportDocument {
  public:
    /// The painter must be active on the report's device, scaled so that one unit is a point.
    /// pageSize is the page in points; the header carries headerLeft and headerRight.
    ReportDocument(QPainter& painter, QSizeF pageSize, QString headerLeft, QString headerRight,
                   QString footerLeft);

    double textWidth() const { return content_.width(); }

    /// A heading of level 1 (section, starts a new page when asked), 2 or 3; kept on the page
    /// with at least keepWithNext points of what follows.
    void heading(const QString& text, int level, bool newPage = false, double keepWithNext = 90);
    /// A paragraph, wrapped to the text width; lines are never split across pages (a long
    /// paragraph moves to the next page whole).
    void paragraph(const QString& text, double size = 9, bool italic = false);
    void table(const ReportTable& table);
    /// A figure of the given height, drawn by draw into its rectangle (text width wide).
    void figure(double height, std::function<void(QPainter&, const QRectF&)> draw);
    void space(double points);
    void newPage();
    /// A table of contents: one line per level-1 heading title, with the page that heading
    /// lands on (known when the pages are painted).
    void contents(const QStringList& titles);

    int pageCount() const { return int(pages_.size()); }
    /// Paints every page; pageBreak is called between pages (the device's newPage).
    void paint(const std::function<bool()>& pageBreak);

  private:
    using PageOp = std::function<void(QPainter&)>;
    void ensure(double height);
    void add(PageOp op) { pages_.back().push_back(std::move(op)); }
    double remaining() const { return content_.bottom() - y_; }
    /// Width of a line of text as the painter draws it.
    double textWidth(const QString& text, const QFont& font);
    void paintFrame(int page);

    QPainter& painter_;
    QSizeF pageSize_;
    QRectF content_;
    QString headerLeft_, headerRight_, footerLeft_;
    std::vector<std::vector<PageOp>> pages_;
    struct OutlineEntry {
        QString title;
        int page;
    };
    std::vector<OutlineEntry> outline_; ///< level-1 headings and their pages
    double y_ = 0;
};

} // namespace tem::report
