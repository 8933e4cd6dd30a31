#include "widgets/KeyValueEditor.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace tem::gui {
namespace {

// Holds the fill guard for the lifetime of a program write.
class FillGuard {
  public:
    explicit FillGuard(int& counter) : m_counter(counter) { ++m_counter; }
    ~FillGuard() { --m_counter; }
    FillGuard(const FillGuard&) = delete;
    FillGuard& operator=(const FillGuard&) = delete;

  private:
    int& m_counter;
};

} // namespace

KeyValueEditor::KeyValueEditor(QWidget* parent) : QTableWidget(0, 2, parent)
{
    setTitles(tr("Key"), tr("Value"));
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultSectionSize(160);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setAlternatingRowColors(true);
    connect(this, &QTableWidget::itemChanged, this, &KeyValueEditor::onItemChanged);
    connect(qApp, &QApplication::focusChanged, this, &KeyValueEditor::onFocusChanged);
}

void KeyValueEditor::setTitles(const QString& keyTitle, const QString& valueTitle)
{
    setHorizontalHeaderLabels({keyTitle, valueTitle});
}

QString KeyValueEditor::keyTitle() const
{
    return horizontalHeaderItem(0) ? horizontalHeaderItem(0)->text() : QString();
}

QString KeyValueEditor::valueTitle() const
{
    return horizontalHeaderItem(1) ? horizontalHeaderItem(1)->text() : QString();
}

QTableWidgetItem* KeyValueEditor::makeKeyItem(const QString& key) const
{
    auto* item = new QTableWidgetItem(key);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_keysEditable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    return item;
}

QTableWidgetItem* KeyValueEditor::makeValueItem(const QString& value) const
{
    auto* item = new QTableWidgetItem(value);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    return item;
}

void KeyValueEditor::clearRows()
{
    FillGuard guard(m_filling);
    setRowCount(0);
    m_keyShadow.clear();
}

int KeyValueEditor::appendRow(const QString& key, const QString& value)
{
    FillGuard guard(m_filling);
    const int row = rowCount();
    insertRow(row);
    setItem(row, 0, makeKeyItem(key));
    setItem(row, 1, makeValueItem(value));
    m_keyShadow.insert(row, key);
    return row;
}

void KeyValueEditor::setValue(const QString& key, const QString& value)
{
    const int row = findRow(key);
    if (row < 0)
        appendRow(key, value);
    else
        setValueAt(row, value);
}

void KeyValueEditor::setValueAt(int row, const QString& value)
{
    if (row < 0 || row >= rowCount())
        return;
    FillGuard guard(m_filling);
    if (QTableWidgetItem* it = item(row, 1))
        it->setText(value);
    else
        setItem(row, 1, makeValueItem(value));
}

void KeyValueEditor::setKeyAt(int row, const QString& key)
{
    if (row < 0 || row >= rowCount())
        return;
    FillGuard guard(m_filling);
    if (QTableWidgetItem* it = item(row, 0))
        it->setText(key);
    else
        setItem(row, 0, makeKeyItem(key));
    m_keyShadow[row] = key;
}

int KeyValueEditor::findRow(const QString& key) const
{
    for (int r = 0; r < rowCount(); ++r)
        if (keyAt(r) == key)
            return r;
    return -1;
}

QString KeyValueEditor::value(const QString& key, const QString& fallback) const
{
    const int row = findRow(key);
    return row < 0 ? fallback : valueAt(row);
}

QString KeyValueEditor::keyAt(int row) const
{
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->text() : QString();
}

QString KeyValueEditor::valueAt(int row) const
{
    const QTableWidgetItem* it = item(row, 1);
    return it ? it->text() : QString();
}

QStringList KeyValueEditor::keys() const
{
    QStringList list;
    for (int r = 0; r < rowCount(); ++r)
        list << keyAt(r);
    return list;
}

void KeyValueEditor::setKeysEditable(bool on)
{
    m_keysEditable = on;
    FillGuard guard(m_filling);
    for (int r = 0; r < rowCount(); ++r)
        if (QTableWidgetItem* it = item(r, 0))
            it->setFlags(on ? it->flags() | Qt::ItemIsEditable : it->flags() & ~Qt::ItemIsEditable);
}

void KeyValueEditor::setRowsEditable(bool on)
{
    m_rowsEditable = on;
}

QString KeyValueEditor::unusedKey() const
{
    // A new row needs a key no other row has; an empty key is the usual start for typing one.
    if (!hasKey(QString()))
        return QString();
    for (int n = 1;; ++n) {
        const QString k = QStringLiteral("new%1").arg(n);
        if (!hasKey(k))
            return k;
    }
}

int KeyValueEditor::insertRowBefore(int row)
{
    if (row < 0 || row > rowCount())
        row = rowCount();
    const QString key = unusedKey();
    {
        FillGuard guard(m_filling);
        insertRow(row);
        setItem(row, 0, makeKeyItem(key));
        setItem(row, 1, makeValueItem(QString()));
        m_keyShadow.insert(row, key);
    }
    setCurrentCell(row, m_keysEditable ? 0 : 1);
    emit rowsChanged();
    return row;
}

void KeyValueEditor::deleteRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    {
        FillGuard guard(m_filling);
        removeRow(row);
        m_keyShadow.removeAt(row);
    }
    emit rowsChanged();
}

void KeyValueEditor::onItemChanged(QTableWidgetItem* changed)
{
    if (m_filling > 0 || !changed)
        return;
    const int row = changed->row();
    if (changed->column() == 1) {
        emit valueEdited(row, keyAt(row), changed->text());
        return;
    }
    const QString oldKey = row < m_keyShadow.size() ? m_keyShadow[row] : QString();
    const QString newKey = changed->text();
    if (newKey == oldKey)
        return;
    for (int r = 0; r < rowCount(); ++r) {
        if (r != row && keyAt(r) == newKey) {
            FillGuard guard(m_filling);
            changed->setText(oldKey);
            emit duplicateKeyRejected(newKey);
            return;
        }
    }
    if (row < m_keyShadow.size())
        m_keyShadow[row] = newKey;
    emit keyEdited(row, oldKey, newKey);
}

bool KeyValueEditor::ownsWidget(const QWidget* w) const
{
    for (; w; w = w->parentWidget())
        if (w == this)
            return true;
    return false;
}

void KeyValueEditor::onFocusChanged(QWidget* old, QWidget* now)
{
    if (ownsWidget(old) && !ownsWidget(now))
        emit editingLeft();
}

void KeyValueEditor::keyPressEvent(QKeyEvent* event)
{
    if (m_rowsEditable && state() != QAbstractItemView::EditingState) {
        if (event->key() == Qt::Key_Insert) {
            insertRowBefore(currentRow() < 0 ? rowCount() : currentRow() + 1);
            return;
        }
        if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
            deleteRow(currentRow());
            return;
        }
    }
    QTableWidget::keyPressEvent(event);
}

void KeyValueEditor::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_rowsEditable) {
        QTableWidget::contextMenuEvent(event);
        return;
    }
    const int row = rowAt(event->pos().y());
    QMenu menu(this);
    QAction* insertAction = menu.addAction(tr("Insert Row"));
    QAction* deleteAction = menu.addAction(tr("Delete Row"));
    deleteAction->setEnabled(row >= 0);
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == insertAction)
        insertRowBefore(row < 0 ? rowCount() : row + 1);
    else if (chosen == deleteAction)
        deleteRow(row);
}

void KeyValueEditor::leaveEvent(QEvent* event)
{
    QTableWidget::leaveEvent(event);
    emit mouseLeft();
}

} // namespace tem::gui
