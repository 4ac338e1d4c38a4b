#include "RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

#include <algorithm>

namespace vx {

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this)) {}

void RadioGroup::setItems(const QStringList& items) {
    const int index = std::min(itemIndex(), int(items.size()) - 1);
    m_items = items;
    rebuild();
    setItemIndex(index);
}

int RadioGroup::itemIndex() const {
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    index = std::clamp(index, -1, int(m_buttons.size()) - 1);
    if (index >= 0) {
        m_buttons[index]->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last checked button by itself.
    m_group->setExclusive(false);
    for (QRadioButton* button : m_buttons)
        button->setChecked(false);
    m_group->setExclusive(true);
}

void RadioGroup::setColumns(int columns) {
    const int index = itemIndex();
    m_columns = std::max(columns, 1);
    rebuild();
    setItemIndex(index);
}

void RadioGroup::rebuild() {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    const int rows = (int(m_items.size()) + m_columns - 1) / m_columns;
    for (int i = 0; i < m_items.size(); ++i) {
        auto* button = new QRadioButton(m_items[i], this);
        m_group->addButton(button, i);
        m_layout->addWidget(button, i % rows, i / rows);
        m_buttons.append(button);
    }
}

} // namespace vx
