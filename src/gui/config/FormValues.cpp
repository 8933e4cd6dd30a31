#include "config/FormValues.h"

#include <QLineEdit>
#include <QLocale>
#include <QTableWidgetItem>
#include <QVariant>

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace tem::gui {

QString Fmt(const char* format, double v)
{
    return QString::asprintf(format, v);
}

QString FmtTrim(const char* format, double v)
{
    return Fmt(format, v).trimmed();
}

QString ShortestText(double v)
{
    return QString::number(v, 'g', 15);
}

double ReadFloat(const QString& text, double fallback)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return fallback;
    bool ok = false;
    double v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        v = QLocale::system().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return fallback;
    return v;
}

namespace {
constexpr int ExactRole = Qt::UserRole;
constexpr int ShownRole = Qt::UserRole + 1;
} // namespace

void ShowNumber(QLineEdit* edit, const char* format, double v, bool trimmed)
{
    const QString text = trimmed ? FmtTrim(format, v) : Fmt(format, v);
    edit->setText(text);
    edit->setProperty("exactValue", v);
    edit->setProperty("shownText", text);
}

double ReadNumber(const QLineEdit* edit, double fallback)
{
    const QVariant exact = edit->property("exactValue");
    if (exact.isValid() && edit->text() == edit->property("shownText").toString())
        return exact.toDouble();
    return ReadFloat(edit->text(), fallback);
}

void RememberNumber(QTableWidgetItem* item, double v)
{
    if (!item)
        return;
    item->setData(ExactRole, v);
    item->setData(ShownRole, item->text());
}

double ReadNumber(const QTableWidgetItem* item, double fallback)
{
    if (!item)
        return fallback;
    const QVariant exact = item->data(ExactRole);
    if (exact.isValid() && item->text() == item->data(ShownRole).toString())
        return exact.toDouble();
    return ReadFloat(item->text(), fallback);
}

int ReadInt(const QString& text, int fallback)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

int ToBar(double v, BarRounding how)
{
    if (std::isnan(v))
        return 0;
    double r = 0;
    switch (how) {
    case BarRounding::Round: {
        const int mode = std::fegetround();
        std::fesetround(FE_TONEAREST);
        r = std::nearbyint(v);
        std::fesetround(mode);
        break;
    }
    case BarRounding::Truncate:
        r = std::trunc(v);
        break;
    case BarRounding::Floor:
        r = std::floor(v);
        break;
    }
    constexpr double Limit = 2'000'000'000.0;
    return int(std::clamp(r, -Limit, Limit));
}

QString ExtractFileExt(const QString& fileName)
{
    const qsizetype slash = std::max(fileName.lastIndexOf('/'), fileName.lastIndexOf('\\'));
    const qsizetype dot = fileName.lastIndexOf('.');
    if (dot <= slash)
        return {};
    return fileName.mid(dot);
}

QString ChangeFileExt(const QString& fileName, const QString& ext)
{
    const QString old = ExtractFileExt(fileName);
    return fileName.left(fileName.size() - old.size()) + ext;
}

} // namespace tem::gui
