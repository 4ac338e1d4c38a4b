#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace vx {

// A captioned group of radio buttons made from a list of texts (Delphi's radio group): Items are
// the buttons' texts, filled column by column; ItemIndex is the checked one, -1 for none.
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ items WRITE setItems)
    Q_PROPERTY(int ItemIndex READ itemIndex WRITE setItemIndex)
public:
    explicit RadioGroup(QWidget* parent = nullptr);

    QStringList items() const { return m_items; }
    // Rebuilds the buttons; the checked index stays, moved back to the last item when the list
    // got shorter, so that new captions never change the choice.
    void setItems(const QStringList& items);
    int itemIndex() const;
    // Clamped to -1 .. count - 1.
    void setItemIndex(int index);
    void setColumns(int columns);

private:
    void rebuild();

    QStringList m_items;
    int m_columns = 1;
    QButtonGroup* m_group;
    QGridLayout* m_layout;
    QList<QRadioButton*> m_buttons;
};

} // namespace vx
