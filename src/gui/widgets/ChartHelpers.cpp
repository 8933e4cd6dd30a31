#include "widgets/ChartHelpers.h"

#include <algorithm>
#include <cmath>

namespace tem::gui {
namespace chart {

QCPGraph* AddSeries(QCustomPlot* plot, const QString& title, QCPScatterStyle::ScatterShape shape,
                    const QColor& colour, QCPGraph::LineStyle lineStyle)
{
    QCPGraph* g = plot->addGraph();
    g->setName(title);
    g->setPen(QPen(colour, 1.5));
    g->setLineStyle(lineStyle);
    g->setScatterStyle(QCPScatterStyle(shape, colour, 7));
    return g;
}

QCPGraph* AddAreaSeries(QCustomPlot* plot, const QString& title, const QColor& colour)
{
    QCPGraph* g = plot->addGraph();
    g->setName(title);
    g->setPen(QPen(colour, 1.5));
    QColor fill = colour;
    fill.setAlpha(80);
    g->setBrush(fill);
    g->setLineStyle(QCPGraph::lsLine);
    return g;
}

void SetPoints(QCPGraph* graph, const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = std::min(x.size(), y.size());
    QVector<double> qx(static_cast<qsizetype>(n)), qy(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) {
        qx[static_cast<qsizetype>(i)] = x[i];
        qy[static_cast<qsizetype>(i)] = y[i];
    }
    // Keep the order given: a waveform typed out of order must be drawn as typed.
    graph->setData(qx, qy, true);
}

void SetLinearAxis(QCPAxis* axis, double lo, double hi)
{
    axis->setScaleType(QCPAxis::stLinear);
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    axis->setNumberFormat("g");
    axis->setNumberPrecision(6);
    if (hi > lo)
        axis->setRange(lo, hi);
}

namespace {

/// A logarithmic ticker with a labelled tick at every decade in view, and at 2 and 5 times each
/// decade when at most two and a half decades are in view, so that any value can be read off.
class DecadeTicker : public QCPAxisTickerLog {
  protected:
    QVector<double> createTickVector(double, const QCPRange& range) override
    {
        QVector<double> ticks;
        if (!(range.lower > 0 && range.upper > range.lower))
            return ticks;
        const int first = int(std::floor(std::log10(range.lower)));
        const int last = int(std::ceil(std::log10(range.upper)));
        // Fewer than about two and a half decades in view: too few decade labels to read by.
        const bool fine = std::log10(range.upper / range.lower) <= 2.5;
        // Far too many decades for a label each: every n-th decade, still one label per step.
        const int step = std::max(1, (last - first) / 12 + 1);
        for (int k = first - 1; k <= last + 1; ++k) {
            const double decade = std::pow(10.0, k);
            if (k % step == 0)
                ticks.push_back(decade);
            if (fine) {
                ticks.push_back(2 * decade);
                ticks.push_back(5 * decade);
            }
        }
        return ticks;
    }
    QVector<double> createSubTickVector(int, const QVector<double>& ticks) override
    {
        QVector<double> sub;
        for (double t : ticks) {
            const int k = int(std::floor(std::log10(t) + 1e-9));
            const double decade = std::pow(10.0, k);
            if (std::abs(t / decade - 1) > 1e-9)
                continue;
            for (int m = 2; m <= 9; ++m)
                sub.push_back(m * decade);
        }
        return sub;
    }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        // Plain numbers where they are short, powers of ten elsewhere.
        const double a = std::abs(tick);
        if (a >= 1e-3 && a < 1e5)
            return QString::number(tick, 'g', 3);
        return QString::number(tick, 'g', 2).replace("e+0", "e").replace("e-0", "e-").replace("e+", "e");
    }
};

} // namespace

void SetLogAxis(QCPAxis* axis, double lo, double hi)
{
    if (!(lo > 0 && hi > lo)) {
        SetLinearAxis(axis, std::min(lo, hi), std::max(lo, hi));
        return;
    }
    axis->setScaleType(QCPAxis::stLogarithmic);
    axis->setTicker(QSharedPointer<QCPAxisTickerLog>(new DecadeTicker));
    axis->setRange(lo, hi);
}

void PlaceLegend(QCustomPlot* plot, bool top)
{
    plot->legend->setVisible(true);
    plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot->legend->setWrap(3);
    const int row = top ? 0 : plot->plotLayout()->rowCount();
    plot->plotLayout()->insertRow(row);
    plot->plotLayout()->setRowStretchFactor(row, 0.001);
    plot->plotLayout()->addElement(row, 0, plot->legend);
}

} // namespace chart

} // namespace tem::gui
