#pragma once

#include "Collection.h"

#include <QList>
#include <QTreeView>

#include <functional>

class TConnectionList;

// The connection list's view (lvConnections): one line per row with its tick box, whole-row
// multiple selection shared with the list, and the header captions as the published collection
// Columns ("Columns.Items[1].Caption"). It never reorders rows itself: a header click, a double
// click and a drop are reported, and the window applies them to the list. The password column is
// one pixel wide and shows nothing. A header or cell text cut to its column's width ends with "…"
// and shows whole in its tooltip.
class TConnectionListView : public QTreeView {
    Q_OBJECT
    Q_PROPERTY(vx::Collection* Columns READ Columns)
public:
    explicit TConnectionListView(QWidget* parent = nullptr);

    // Shows the list and shares its selection and focus.
    void setList(TConnectionList* list);
    TConnectionList* list() const { return m_list; }

    vx::Collection* Columns() const { return m_columns; }

    // Runs a change of many rows with repainting suspended, resumed also when it fails.
    void changeWithoutRepaint(const std::function<void()>& change);

    // Fits the columns to the width the view has now (after the window stands).
    void relayout();

signals:
    void columnClicked(int column);
    // The selection was dropped with this row last under the mouse (-1: none).
    void dropped(int targetRow);
    void listDoubleClicked();

protected:
    bool viewportEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TConnectionList* m_list = nullptr;
    vx::Collection* m_columns;
    int m_dragTarget = -1;
};
