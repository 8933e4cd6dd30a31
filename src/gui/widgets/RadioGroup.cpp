#include "widgets/RadioGroup.h"

#include <QGridLayout>

namespace tem::gui {
RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this))
{
    m_group->setExclusive(true);
    m_layout->setContentsMargins(6, 4, 6, 4);
    m_layout->setVerticalSpacing(2);
    connect(m_group, &QButtonGroup::idClicked, this, &RadioGroup::itemClicked);
}

void RadioGroup::setItems(const QStringList& items)
{
    m_items = items;
    rebuild();
}

void RadioGroup::setItemText(int index, const QString& text)
{
    if (index < 0 || index >= count())
        return;
    m_items[index] = text;
    m_buttons[index]->setText(text);
}

QString RadioGroup::itemText(int index) const
{
    return index >= 0 && index < count() ? m_items[index] : QString();
}

void RadioGroup::setColumns(int columns)
{
    m_columns = qMax(1, columns);
    rebuild();
}

int RadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    const QSignalBlocker block(m_group);
    if (index >= 0 && index < count()) {
        m_buttons[index]->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last button by itself.
    m_group->setExclusive(false);
    for (QRadioButton* b : m_buttons)
        b->setChecked(false);
    m_group->setExclusive(true);
}

QRadioButton* RadioGroup::button(int index) const
{
    return index >= 0 && index < count() ? m_buttons[index] : nullptr;
}

void RadioGroup::rebuild()
{
    const int checked = itemIndex();
    for (QRadioButton* b : m_buttons) {
        m_group->removeButton(b);
        delete b;
    }
    m_buttons.clear();
    const int rows = (count() + m_columns - 1) / m_columns;
    for (int i = 0; i < count(); ++i) {
        auto* b = new QRadioButton(m_items[i], this);
        b->setObjectName(objectName() + QStringLiteral("Item%1").arg(i));
        m_group->addButton(b, i);
        m_layout->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
        m_buttons << b;
    }
    setItemIndex(checked);
}

} // namespace tem::gui
