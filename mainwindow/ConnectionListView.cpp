#include "ConnectionListView.h"

#include "ConnectionList.h"
#include "Errors.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScopeGuard>
#include <QStyleOptionHeader>
#include <QToolTip>

namespace {

constexpr int ServerColumn = 1;
constexpr int ServerWidth = 100;

// The whole text of a cell or header cut to its width, as a tooltip; none for a whole one.
void showWholeText(const QHelpEvent* event, QWidget* over, const QRect& rect, const QString& text,
                   bool cut) {
    if (cut && !text.isEmpty())
        QToolTip::showText(event->globalPos(), text, over, rect);
    else
        QToolTip::hideText();
}

// The list's header. A caption cut to its section's width ends with "…", and shows whole in its
// tooltip. The header elides it itself: Qt 6.4's styles lose the header's elide mode on the way to
// the caption.
class ListHeader : public QHeaderView {
public:
    explicit ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setTextElideMode(Qt::ElideRight);
    }

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        QStyleOptionHeader section = *option;
        section.rect = sectionRect(logicalIndex);
        const int width = style()->subElementRect(QStyle::SE_HeaderLabel, &section, this).width();
        option->text = option->fontMetrics.elidedText(option->text, textElideMode(), width);
    }

    bool viewportEvent(QEvent* event) override {
        if (event->type() != QEvent::ToolTip)
            return QHeaderView::viewportEvent(event);
        const auto* help = static_cast<QHelpEvent*>(event);
        const int column = logicalIndexAt(help->pos());
        showWholeText(help, viewport(), sectionRect(column),
                      model() ? model()->headerData(column, orientation()).toString() : QString(),
                      column >= 0 && sectionSize(column) < sectionSizeHint(column));
        return true;
    }

private:
    QRect sectionRect(int logicalIndex) const {
        return {sectionViewportPosition(logicalIndex), 0, sectionSize(logicalIndex), height()};
    }
};

// One header caption as a column item.
class ListColumn : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
public:
    ListColumn(TConnectionListView* view, int index, QObject* parent)
        : QObject(parent), m_view(view), m_index(index) {}

    QString caption() const {
        const auto* model = m_view->model();
        return model ? model->headerData(m_index, Qt::Horizontal).toString() : QString();
    }
    void setCaption(const QString& caption) {
        if (auto* model = m_view->model())
            model->setHeaderData(m_index, Qt::Horizontal, caption);
    }

private:
    TConnectionListView* m_view;
    int m_index;
};

// The fixed six columns.
class ListColumns : public vx::Collection {
    Q_OBJECT
public:
    explicit ListColumns(TConnectionListView* view) : vx::Collection(view) {
        for (int i = 0; i < TConnectionList::ColumnCount; ++i)
            m_items.append(new ListColumn(view, i, this));
    }

    int count() const override { return int(m_items.size()); }
    void clear() override { throw vx::Error("The connection list's columns are fixed"); }
    QObject* add() override { throw vx::Error("The connection list's columns are fixed"); }

protected:
    QObject* item(int index) override { return m_items[index]; }

private:
    QList<ListColumn*> m_items;
};

} // namespace

TConnectionListView::TConnectionListView(QWidget* parent)
    : QTreeView(parent), m_columns(new ListColumns(this)) {
    setHeader(new ListHeader(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, &TConnectionListView::columnClicked);
}

void TConnectionListView::setList(TConnectionList* list) {
    m_list = list;
    setModel(list);
    QItemSelectionModel* made = selectionModel();
    setSelectionModel(list->selectionModel());
    delete made;
    relayout();
}

void TConnectionListView::relayout() {
    QHeaderView* columns = header();
    if (columns->count() != TConnectionList::ColumnCount)
        return;
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(1);
    for (int i = 0; i < TConnectionList::ColumnCount; ++i)
        columns->setSectionResizeMode(i, QHeaderView::Stretch);
    columns->setSectionResizeMode(ServerColumn, QHeaderView::Interactive);
    columns->resizeSection(ServerColumn, ServerWidth);
    columns->setSectionResizeMode(TConnectionList::PasswordColumn, QHeaderView::Fixed);
    columns->resizeSection(TConnectionList::PasswordColumn, 1);
}

void TConnectionListView::changeWithoutRepaint(const std::function<void()>& change) {
    setUpdatesEnabled(false);
    const auto repaint = qScopeGuard([this] { setUpdatesEnabled(true); });
    change();
}

bool TConnectionListView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTreeView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    // The delegate's width for the whole cell: check box, margins and text.
    const bool cut =
        index.isValid() &&
        itemDelegateForIndex(index)->sizeHint(option, index).width() > option.rect.width();
    showWholeText(help, viewport(), option.rect, index.data().toString(), cut);
    return true;
}

void TConnectionListView::dragEnterEvent(QDragEnterEvent* event) {
    m_dragTarget = -1;
    if (event->source() != this) {
        event->ignore();
        return;
    }
    QTreeView::dragEnterEvent(event);
    event->acceptProposedAction();
}

void TConnectionListView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() != this) {
        event->ignore();
        return;
    }
    // Empty space keeps the last row the mouse was over.
    if (const QModelIndex over = indexAt(event->position().toPoint()); over.isValid())
        m_dragTarget = over.row();
    QTreeView::dragMoveEvent(event); // scrolling near the edges, the drop indicator
    event->accept();
}

void TConnectionListView::dropEvent(QDropEvent* event) {
    if (event->source() != this) {
        event->ignore();
        return;
    }
    // The list moves the rows itself; the view's own move would treat them as items to copy.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    setState(NoState);
    stopAutoScroll();
    viewport()->update();
    emit dropped(m_dragTarget);
}

void TConnectionListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    emit listDoubleClicked();
}

#include "ConnectionListView.moc"
