#pragma once
// A captioned group of radio buttons chosen by item index, as the editor windows use for their
// choices ("Base Frequency", "Propulsion", ...). Setting the index from the program emits nothing;
// a click by the operator emits itemClicked.

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

class QGridLayout;

namespace tem::gui {
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int columns READ columns WRITE setColumns)

  public:
    explicit RadioGroup(QWidget* parent = nullptr);

    void setItems(const QStringList& items);
    QStringList items() const { return m_items; }
    int count() const { return static_cast<int>(m_items.size()); }
    void setItemText(int index, const QString& text);
    QString itemText(int index) const;

    void setColumns(int columns);
    int columns() const { return m_columns; }

    /// The checked item, or -1 when none is.
    int itemIndex() const;
    /// Checks an item (none for an index out of range); emits nothing.
    void setItemIndex(int index);

    QRadioButton* button(int index) const;

  signals:
    void itemClicked(int index);

  private:
    void rebuild();

    QStringList m_items;
    int m_columns = 1;
    QButtonGroup* m_group;
    QGridLayout* m_layout;
    QList<QRadioButton*> m_buttons;
};

} // namespace tem::gui
