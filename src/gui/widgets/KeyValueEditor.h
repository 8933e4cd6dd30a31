#pragma once
// A two-column key/value grid: one row per key, values edited in place. Used by the receiver
// panels, the channel window and the waveform window.
//
// Rows filled by the program (setValue, appendRow, clearRows) emit no edit signals; only edits made
// in the grid do. Keys are read-only unless setKeysEditable(true); rows can be inserted and deleted
// by the operator only after setRowsEditable(true) (Insert key, Ctrl+Delete, context menu).

#include <QString>
#include <QStringList>
#include <QTableWidget>

namespace tem::gui {
class KeyValueEditor : public QTableWidget {
    Q_OBJECT

  public:
    explicit KeyValueEditor(QWidget* parent = nullptr);

    /// Column titles, e.g. "Receiver 1 Key" and "Value".
    void setTitles(const QString& keyTitle, const QString& valueTitle);
    QString keyTitle() const;
    QString valueTitle() const;

    /// Removes every row.
    void clearRows();
    /// Adds a row at the end (even when the key exists already); returns its row.
    int appendRow(const QString& key, const QString& value);
    /// Sets the value of key, adding a row at the end when there is none.
    void setValue(const QString& key, const QString& value);
    /// Sets the value of a row (no signal).
    void setValueAt(int row, const QString& value);
    void setKeyAt(int row, const QString& key);

    /// Row of the first occurrence of key (exact match), or -1.
    int findRow(const QString& key) const;
    bool hasKey(const QString& key) const { return findRow(key) >= 0; }
    /// Value of key, or fallback when the key is missing.
    QString value(const QString& key, const QString& fallback = {}) const;
    QString keyAt(int row) const;
    QString valueAt(int row) const;
    QStringList keys() const;

    /// Lets the operator edit the keys; keys then stay unique (a duplicate edit is undone).
    void setKeysEditable(bool on);
    bool keysEditable() const { return m_keysEditable; }
    /// Lets the operator insert and delete rows.
    void setRowsEditable(bool on);
    bool rowsEditable() const { return m_rowsEditable; }

    /// Operator actions, also callable by the program: insert a row before row (at the end when
    /// row is out of range) with a key not yet used; delete a row.
    int insertRowBefore(int row);
    void deleteRow(int row);

  signals:
    /// The operator changed the value of a row.
    void valueEdited(int row, const QString& key, const QString& value);
    /// The operator changed a key.
    void keyEdited(int row, const QString& oldKey, const QString& newKey);
    /// A key edit was undone because the key exists already.
    void duplicateKeyRejected(const QString& key);
    /// The operator inserted or deleted a row.
    void rowsChanged();
    /// Keyboard focus left the grid and its cell editors.
    void editingLeft();
    /// The mouse pointer left the grid.
    void mouseLeft();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void onItemChanged(QTableWidgetItem* item);
    void onFocusChanged(QWidget* old, QWidget* now);
    bool ownsWidget(const QWidget* w) const;
    QTableWidgetItem* makeKeyItem(const QString& key) const;
    QTableWidgetItem* makeValueItem(const QString& value) const;
    QString unusedKey() const;

    bool m_keysEditable = false;
    bool m_rowsEditable = false;
    int m_filling = 0;       // >0 while the program writes cells
    QStringList m_keyShadow; // keys as they were before an operator edit
};

} // namespace tem::gui
