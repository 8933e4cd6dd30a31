#include "widgets/ChartHelpers.h"

#include <algorithm>

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

void SetLogAxis(QCPAxis* axis, double lo, double hi)
{
    if (!(lo > 0 && hi > lo)) {
        SetLinearAxis(axis, std::min(lo, hi), std::max(lo, hi));
        return;
    }
    axis->setScaleType(QCPAxis::stLogarithmic);
    axis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    axis->setNumberFormat("eb");
    axis->setNumberPrecision(0);
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
