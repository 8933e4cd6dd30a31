#include "forward/FwdGraphSupport.h"

#include <QFileInfo>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

#include <qcustomplot.h>

#include "app/Session.h"
#include "widgets/LabelledSeries.h"

namespace tem::gui {

void AddChartTitle(QCustomPlot* chart, const QString& title)
{
    chart->plotLayout()->insertRow(0);
    QFont font = chart->font();
    font.setBold(true);
    chart->plotLayout()->addElement(0, 0, new QCPTextElement(chart, title, font));
}

void FitAxis(QCPAxis* axis, const std::vector<const LabelledSeries*>& series, bool key, double lo, double hi)
{
    const bool log = axis->scaleType() == QCPAxis::stLogarithmic;
    double a = std::numeric_limits<double>::infinity();
    double b = -a;
    for (const LabelledSeries* s : series) {
        if (!s->active())
            continue;
        for (const auto& p : s->points()) {
            const double v = key ? p.x : p.y;
            if (!std::isfinite(v) || (log && !(v > 0)))
                continue;
            a = std::min(a, v);
            b = std::max(b, v);
        }
    }
    if (!(a <= b)) {
        axis->setRange(lo, hi);
        return;
    }
    if (log) {
        // Half a decade each side at most, a fifth of one at least.
        const double span = std::log10(b / a);
        const double pad = std::pow(10.0, std::clamp(span * 0.05, 0.2, 0.5));
        axis->setRange(a / pad, b * pad);
    } else {
        const double pad = b > a ? (b - a) * 0.05 : std::max(std::abs(a) * 0.1, 1.0);
        axis->setRange(a - pad, b + pad);
    }
}

void SaveChartImage(Session& session, QCustomPlot* chart, const QString& proposed)
{
    QString file = QString::fromStdString(session.dialogs.saveFile(
        "SaveGraph as BMP", "Bitmap files (*.BMP *.bmp);;PNG images (*.png *.PNG)", proposed.toStdString()));
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += ".BMP";
    const bool png = QFileInfo(file).suffix().compare("png", Qt::CaseInsensitive) == 0;
    const bool ok = png ? chart->savePng(file) : chart->saveBmp(file);
    if (!ok)
        session.op.inform("Could not write the image " + file.toStdString());
}

} // namespace tem::gui
