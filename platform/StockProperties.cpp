// The Delphi-named properties of stock Qt widgets: only the names that translation tables and
// stored settings use.

#include "Collection.h"
#include "Form.h"
#include "PropertyAccess.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>

#include <functional>

namespace vx {

namespace {

// One column of a QTreeWidget as the item of its Columns collection.
class TreeColumn : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
public:
    TreeColumn(QTreeWidget* tree, int index, QObject* parent)
        : QObject(parent), m_tree(tree), m_index(index) {}

    QString caption() const { return m_tree->headerItem()->text(m_index); }
    void setCaption(const QString& caption) {
        if (m_index < m_tree->columnCount())
            m_tree->headerItem()->setText(m_index, caption);
    }

private:
    QTreeWidget* m_tree;
    int m_index;
};

// The columns of a QTreeWidget (Delphi's list-view Columns); lives as a child of the tree.
class TreeColumns : public Collection {
    Q_OBJECT
public:
    explicit TreeColumns(QTreeWidget* tree) : Collection(tree), m_tree(tree) {}

    static TreeColumns* of(QTreeWidget* tree) {
        auto* columns = tree->findChild<TreeColumns*>(QString(), Qt::FindDirectChildrenOnly);
        return columns ? columns : new TreeColumns(tree);
    }

    int count() const override { return m_tree->columnCount(); }
    void clear() override { m_tree->setColumnCount(0); }
    QObject* add() override {
        m_tree->setColumnCount(m_tree->columnCount() + 1);
        return item(m_tree->columnCount() - 1);
    }

protected:
    QObject* item(int index) override {
        while (m_items.size() <= index)
            m_items.append(new TreeColumn(m_tree, int(m_items.size()), this));
        return m_items[index];
    }

private:
    QTreeWidget* m_tree;
    QList<TreeColumn*> m_items;
};

using detail::PropertyAccess;
using detail::PropertyAccessPtr;

template <class T> const T* as(const QObject* object) {
    return qobject_cast<const T*>(object);
}
template <class T> T* as(QObject* object) {
    return qobject_cast<T*>(object);
}

PropertyAccessPtr makeAccess(const char* name, PropKind kind,
                             std::function<QVariant(const QObject*)> read,
                             std::function<void(QObject*, const QVariant&)> write,
                             QList<std::pair<QString, int>> elements = {}) {
    return std::make_shared<const PropertyAccess>(PropertyAccess{
        QString::fromLatin1(name), kind, std::move(elements), std::move(read), std::move(write)});
}

// A stock Qt property under a Delphi name.
PropertyAccessPtr mapped(const char* name, PropKind kind, const char* qtName,
                         QList<std::pair<QString, int>> elements = {}) {
    return makeAccess(
        name, kind, [qtName](const QObject* o) { return o->property(qtName); },
        [qtName](QObject* o, const QVariant& v) { o->setProperty(qtName, v); },
        std::move(elements));
}

// Delphi's hint "short|long": the short part is the tool tip, the long part the status tip.
PropertyAccessPtr hint() {
    return makeAccess(
        "Hint", PropKind::String,
        [](const QObject* o) {
            const QString shortHint = o->property("toolTip").toString();
            const QString longHint = o->property("statusTip").toString();
            return QVariant(longHint.isEmpty() || longHint == shortHint
                                ? shortHint
                                : shortHint + QLatin1Char('|') + longHint);
        },
        [](QObject* o, const QVariant& v) {
            const QString text = v.toString();
            const qsizetype bar = text.indexOf(QLatin1Char('|'));
            o->setProperty("toolTip", bar < 0 ? text : text.left(bar));
            o->setProperty("statusTip", bar < 0 ? text : text.mid(bar + 1));
        });
}

QTabWidget* tabWidgetOf(const QObject* object) {
    const auto* page = qobject_cast<const QWidget*>(object);
    auto* stack = page ? qobject_cast<QStackedWidget*>(page->parent()) : nullptr;
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parent()) : nullptr;
    return tabs && tabs->indexOf(const_cast<QWidget*>(page)) >= 0 ? tabs : nullptr;
}

// wsNormal, wsMinimized, wsMaximized.
PropertyAccessPtr windowState() {
    return makeAccess(
        "WindowState", PropKind::Enumeration,
        [](const QObject* o) {
            const Qt::WindowStates state = as<QWidget>(o)->windowState();
            return QVariant(state.testFlag(Qt::WindowMinimized)   ? 1
                            : state.testFlag(Qt::WindowMaximized) ? 2
                                                                  : 0);
        },
        [](QObject* o, const QVariant& v) {
            auto* window = as<QWidget>(o);
            const Qt::WindowStates kept =
                window->windowState() &
                ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
            const int ordinal = v.toInt();
            window->setWindowState(kept | (ordinal == 1   ? Qt::WindowMinimized
                                           : ordinal == 2 ? Qt::WindowMaximized
                                                          : Qt::WindowNoState));
        },
        {{QStringLiteral("wsNormal"), 0},
         {QStringLiteral("wsMinimized"), 1},
         {QStringLiteral("wsMaximized"), 2}});
}

// A list widget's items; items of a check list stay checkable (unticked) when replaced.
PropertyAccessPtr listWidgetItems() {
    return makeAccess(
        "Items", PropKind::Strings,
        [](const QObject* o) {
            const auto* list = as<QListWidget>(o);
            QStringList lines;
            for (int i = 0; i < list->count(); ++i)
                lines.append(list->item(i)->text());
            return QVariant(lines);
        },
        [](QObject* o, const QVariant& v) {
            auto* list = as<QListWidget>(o);
            const bool checkable =
                list->count() > 0 && list->item(0)->flags().testFlag(Qt::ItemIsUserCheckable);
            list->clear();
            list->addItems(v.toStringList());
            for (int i = 0; checkable && i < list->count(); ++i) {
                list->item(i)->setFlags(list->item(i)->flags() | Qt::ItemIsUserCheckable);
                list->item(i)->setCheckState(Qt::Unchecked);
            }
        });
}

PropertyAccessPtr comboBoxItems() {
    return makeAccess(
        "Items", PropKind::Strings,
        [](const QObject* o) {
            const auto* combo = as<QComboBox>(o);
            QStringList lines;
            for (int i = 0; i < combo->count(); ++i)
                lines.append(combo->itemText(i));
            return QVariant(lines);
        },
        [](QObject* o, const QVariant& v) {
            // New items leave no item selected, as in Delphi; the free text stays.
            auto* combo = as<QComboBox>(o);
            const QString text = combo->currentText();
            combo->clear();
            combo->addItems(v.toStringList());
            combo->setCurrentIndex(-1);
            if (combo->isEditable())
                combo->setEditText(text);
        });
}

PropertyAccessPtr plainTextLines() {
    return makeAccess(
        "Lines", PropKind::Strings,
        [](const QObject* o) {
            const QString text = as<QPlainTextEdit>(o)->toPlainText();
            return QVariant(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
        },
        [](QObject* o, const QVariant& v) {
            as<QPlainTextEdit>(o)->setPlainText(v.toStringList().join(QLatin1Char('\n')));
        });
}

struct StockAdapter {
    bool (*applies)(const QObject*);
    QList<PropertyAccessPtr> properties;
};

// In published order: general entries first, so that a more specific one replaces a name.
const QList<StockAdapter>& stockAdapters() {
    static const QList<StockAdapter> adapters = {
        {[](const QObject* o) { return o->isWidgetType() || as<QAction>(o) != nullptr; }, {hint()}},
        {[](const QObject* o) { return tabWidgetOf(o) != nullptr; },
         {makeAccess(
             "Caption", PropKind::String,
             [](const QObject* o) {
                 return QVariant(tabWidgetOf(o)->tabText(tabWidgetOf(o)->indexOf(as<QWidget>(o))));
             },
             [](QObject* o, const QVariant& v) {
                 tabWidgetOf(o)->setTabText(tabWidgetOf(o)->indexOf(as<QWidget>(o)), v.toString());
             })}},
        {[](const QObject* o) {
             return o->isWidgetType() && dynamic_cast<const Form*>(o) != nullptr;
         },
         {mapped("Caption", PropKind::String, "windowTitle"), windowState()}},
        {[](const QObject* o) { return as<QLabel>(o) != nullptr; },
         {mapped("Caption", PropKind::String, "text")}},
        {[](const QObject* o) { return as<QAbstractButton>(o) != nullptr; },
         {mapped("Caption", PropKind::String, "text")}},
        {[](const QObject* o) { return as<QCheckBox>(o) || as<QRadioButton>(o); },
         {mapped("Checked", PropKind::Enumeration, "checked", detail::booleanElements())}},
        {[](const QObject* o) { return as<QGroupBox>(o) != nullptr; },
         {mapped("Caption", PropKind::String, "title")}},
        {[](const QObject* o) { return as<QAction>(o) != nullptr; },
         {mapped("Caption", PropKind::String, "text")}},
        {[](const QObject* o) { return as<QComboBox>(o) != nullptr; },
         {comboBoxItems(), mapped("ItemIndex", PropKind::Integer, "currentIndex")}},
        {[](const QObject* o) { return as<QListWidget>(o) != nullptr; },
         {listWidgetItems(), mapped("ItemIndex", PropKind::Integer, "currentRow")}},
        {[](const QObject* o) { return as<QSpinBox>(o) != nullptr; },
         {mapped("Value", PropKind::Integer, "value")}},
        {[](const QObject* o) { return as<QPlainTextEdit>(o) != nullptr; }, {plainTextLines()}},
        {[](const QObject* o) { return as<QTreeWidget>(o) != nullptr; },
         {makeAccess("Columns", PropKind::Collection,
                     [](const QObject* o) {
                         auto* tree = const_cast<QTreeWidget*>(as<QTreeWidget>(o));
                         return QVariant::fromValue<QObject*>(TreeColumns::of(tree));
                     },
                     {})}},
    };
    return adapters;
}

} // namespace

namespace detail {

QList<PropertyAccessPtr> stockProperties(const QObject* object) {
    QList<PropertyAccessPtr> list;
    for (const StockAdapter& adapter : stockAdapters()) {
        if (adapter.applies(object))
            list.append(adapter.properties);
    }
    return list;
}

} // namespace detail

} // namespace vx

#include "StockProperties.moc"
