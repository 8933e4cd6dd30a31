#include "config/EditorSupport.h"

#include <QVariant>

#include "core/files/value_forms.h"
#include "core/rules/shown_number.h"

namespace tem::gui {
namespace editor {

namespace {
constexpr int ExactRole = Qt::UserRole;
constexpr int ShownRole = Qt::UserRole + 1;
} // namespace

void SetCell(QTableWidget* grid, int row, int col, const QString& text, bool editable)
{
    auto* item = new QTableWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    grid->setItem(row, col, item);
}

void SetNumberCell(QTableWidget* grid, int row, int col, double exact, const QString& text, bool editable)
{
    SetCell(grid, row, col, text, editable);
    QTableWidgetItem* item = grid->item(row, col);
    item->setData(ExactRole, exact);
    item->setData(ShownRole, text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

double CellNumber(const QTableWidget* grid, int row, int col, double fallback)
{
    const QTableWidgetItem* item = grid->item(row, col);
    if (!item)
        return fallback;
    const QString text = item->text();
    if (item->data(ExactRole).isValid())
        return tem::ShownNumber(S(text), S(item->data(ShownRole).toString()),
                                item->data(ExactRole).toDouble(), fallback);
    return tem::ParseFloat(S(text)).value_or(fallback);
}

std::optional<double> CellValue(const QTableWidget* grid, int row, int col)
{
    const QTableWidgetItem* item = grid->item(row, col);
    if (!item)
        return std::nullopt;
    if (item->data(ExactRole).isValid() && item->text() == item->data(ShownRole).toString())
        return item->data(ExactRole).toDouble();
    return tem::ParseFloat(S(item->text()));
}

bool CellHasNumber(const QTableWidget* grid, int row, int col)
{
    const QTableWidgetItem* item = grid->item(row, col);
    if (!item)
        return false;
    if (item->data(ExactRole).isValid() && item->text() == item->data(ShownRole).toString())
        return true;
    return tem::ParseFloat(S(item->text())).has_value();
}

void SetNumberEdit(QLineEdit* edit, double exact, const QString& text)
{
    edit->setText(text);
    edit->setProperty("exactValue", exact);
    edit->setProperty("shownText", text);
}

std::optional<double> EditValue(const QLineEdit* edit)
{
    const QVariant exact = edit->property("exactValue");
    if (exact.isValid() && edit->text() == edit->property("shownText").toString())
        return exact.toDouble();
    return tem::ParseFloat(S(edit->text()));
}

double EditNumber(const QLineEdit* edit, double fallback)
{
    const QVariant exact = edit->property("exactValue");
    if (exact.isValid())
        return tem::ShownNumber(S(edit->text()), S(edit->property("shownText").toString()), exact.toDouble(),
                                fallback);
    return tem::ParseFloat(S(edit->text())).value_or(fallback);
}

double EditValue(const QLineEdit* edit, double scale, double fallback)
{
    const QVariant exact = edit->property("exactValue");
    if (exact.isValid() && edit->text() == edit->property("shownText").toString())
        return exact.toDouble();
    const std::optional<double> v = tem::ParseFloat(S(edit->text()));
    return v ? *v / scale : fallback;
}

} // namespace editor

} // namespace tem::gui
