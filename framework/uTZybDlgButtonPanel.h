#pragma once

#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class TZybDlgButtonPanel;
class TZybDlgButtons;

// Where the row of buttons sits in the panel.
enum TZybButtonAlign : quint8 { baTopLeft, baRightBottom, baCenter };

// One button of the strip. The item owns its button, whose parent is the panel.
class TZybDlgButton {
public:
    ~TZybDlgButton();
    TZybDlgButton(const TZybDlgButton&) = delete;
    TZybDlgButton& operator=(const TZybDlgButton&) = delete;

    QPushButton* Button() const { return m_button; }

    // Closes the button's dialog with this result when clicked (0: none).
    int ModalResult = 0;
    // Runs on every click, inside the exception guard.
    std::function<void()> OnClick;

    // Copies the other button's name, texts, geometry, state, modal result and click handler.
    void Assign(const TZybDlgButton& source);

private:
    friend class TZybDlgButtons;
    explicit TZybDlgButton(TZybDlgButtons& collection);
    void Click();

    QPushButton* m_button;
};

// The panel's buttons in order; destroying an item destroys its button.
class TZybDlgButtons {
public:
    explicit TZybDlgButtons(TZybDlgButtonPanel& panel) : m_panel(panel) {}
    TZybDlgButtons(const TZybDlgButtons&) = delete;
    TZybDlgButtons& operator=(const TZybDlgButtons&) = delete;

    TZybDlgButtonPanel* GetOwner() const { return &m_panel; }
    int Count() const { return int(m_items.size()); }
    TZybDlgButton* Items(int index) const { return m_items.at(index).get(); }

    TZybDlgButton* Add();
    void Delete(int index);
    void Clear();
    // Replaces the items by copies of the source's items.
    void Assign(const TZybDlgButtons& source);

private:
    TZybDlgButtonPanel& m_panel;
    std::vector<std::unique_ptr<TZybDlgButton>> m_items;
};

// The button strip of a dialog: places its buttons side by side with a fixed gap, pushed to one
// end of the panel with a fixed margin, or centred. A panel aligned to the left or right of its
// window stacks them in a column instead of a row. Hidden buttons take no room.
class TZybDlgButtonPanel : public QWidget {
    Q_OBJECT
public:
    // The side of its window the panel stands on; it decides row or column.
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

    explicit TZybDlgButtonPanel(QWidget* parent = nullptr);
    ~TZybDlgButtonPanel() override;

    TAlign Align() const { return m_align; }
    void SetAlign(TAlign value);
    TZybButtonAlign BtnAlign() const { return m_btnAlign; }
    void SetBtnAlign(TZybButtonAlign value);
    quint8 BtnGap() const { return m_btnGap; }
    void SetBtnGap(quint8 value);
    quint8 BtnMargin() const { return m_btnMargin; }
    void SetBtnMargin(quint8 value);
    TZybDlgButtons& Buttons() const { return *m_buttons; }

    // Places the buttons in the client area.
    void AlignControls();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Stores a changed setting and realigns; an equal value changes nothing.
    template <class T> void Change(T& setting, T value) {
        if (setting == value)
            return;
        setting = value;
        AlignControls();
    }

    TAlign m_align = alNone;
    TZybButtonAlign m_btnAlign = baRightBottom;
    quint8 m_btnGap = 10;
    quint8 m_btnMargin = 20;
    std::unique_ptr<TZybDlgButtons> m_buttons;
};
