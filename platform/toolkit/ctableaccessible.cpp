#include "toolkit/ctableaccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "toolkit/ctableview.h"

namespace OrvoGUIToolkit {

namespace {



// One cell of the table, or with no model index the header of one column.
class CellAccessible : public QAccessibleInterface,
                       public QAccessibleTableCellInterface,
                       public QAccessibleActionInterface
{
public:
    CellAccessible(QTreeView *view, const QModelIndex &index)
        : m_view(view), m_index(index), m_column(index.column()) {}
    CellAccessible(QTreeView *view, int headerColumn)
        : m_view(view), m_column(headerColumn), m_header(true) {}

    bool isValid() const override
    {
        if (!m_view || !m_view->model())
            return false;
        return m_header ? m_column < m_view->model()->columnCount() : m_index.isValid();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        if (m_header) {
            const QAbstractItemModel *model = m_view->model();
            if (t != QAccessible::Name)
                return QString();
            const QString name = model->headerData(m_column, Qt::Horizontal, Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? model->headerData(m_column, Qt::Horizontal).toString() : name;
        }
        switch (t) {
        case QAccessible::Name: {
            const QString name = m_index.data(Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? m_index.data(Qt::DisplayRole).toString() : name;
        }
        case QAccessible::Description: {
            const QString description = m_index.data(Qt::AccessibleDescriptionRole).toString();
            return description.isEmpty() ? m_index.data(Qt::ToolTipRole).toString() : description;
        }
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        if (m_header) {
            const QHeaderView *header = m_view->header();
            if (!header || header->isHidden())
                return QRect();
            const QRect section(header->sectionViewportPosition(m_column), 0, header->sectionSize(m_column),
                                header->height());
            return QRect(header->viewport()->mapToGlobal(section.topLeft()), section.size());
        }
        const QRect visual = m_view->visualRect(m_index);
        return QRect(m_view->viewport()->mapToGlobal(visual.topLeft()), visual.size());
    }

    QAccessible::Role role() const override { return m_header ? QAccessible::ColumnHeader : QAccessible::Cell; }

    QAccessible::State state() const override
    {
        QAccessible::State st;
        if (!isValid())
            return st;
        const QRect shown(m_view->viewport()->mapToGlobal(QPoint(0, 0)), m_view->viewport()->size());
        if (!shown.intersects(rect()))
            st.invisible = st.offscreen = true;
        if (m_header)
            return st;
        const QItemSelectionModel *selection = m_view->selectionModel();
        st.selected = selection && selection->isSelected(m_index);
        st.focused = selection && selection->currentIndex() == m_index && m_view->hasFocus();
        const QVariant check = m_index.data(Qt::CheckStateRole);
        const Qt::ItemFlags flags = m_index.flags();
        st.checkable = (flags & Qt::ItemIsUserCheckable) && check.isValid();
        st.checked = check.toInt() == Qt::Checked;
        st.disabled = !(flags & Qt::ItemIsEnabled);
        if (flags & Qt::ItemIsSelectable) {
            st.selectable = st.focusable = true;
            st.extSelectable = m_view->selectionMode() == QAbstractItemView::ExtendedSelection;
        }
        return st;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    bool isSelected() const override
    {
        return !m_header && isValid() && m_view->selectionModel() && m_view->selectionModel()->isSelected(m_index);
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        QAccessibleInterface *table = parent();
        QAccessibleInterface *header = m_header || !table ? nullptr : table->child(m_column);
        return header ? QList<QAccessibleInterface *>{header} : QList<QAccessibleInterface *>();
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_header ? m_column : m_index.column(); }
    int rowIndex() const override { return m_header ? -1 : m_index.row(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    QStringList actionNames() const override
    {
        if (m_header || !isValid())
            return {};
        QStringList names;
        if (state().checkable)
            names << toggleAction();
        names << setFocusAction();
        return names;
    }
    void doAction(const QString &name) override
    {
        if (m_header || !isValid())
            return;
        if (name == toggleAction()) {
            toggleItemCheck(m_view->model(), m_index);
        } else if (name == setFocusAction()) {
            m_view->setFocus(Qt::OtherFocusReason);
            m_view->selectionModel()->setCurrentIndex(m_index, QItemSelectionModel::NoUpdate);
        }
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList();
    }

private:
    QPointer<QTreeView> m_view;
    QPersistentModelIndex m_index;
    int m_column = 0;
    bool m_header = false;
};

// The table: first the column headers, then the cells row by row, the order in which the tree view
// numbers them in its focus and selection events.
class TableAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit TableAccessible(QTreeView *view)
        : QAccessibleWidget(view, QAccessible::Table) {}
    ~TableAccessible() override { forgetCells(); }

    QTreeView *view() const { return static_cast<QTreeView *>(widget()); }
    QAbstractItemModel *model() const { return view() ? view()->model() : nullptr; }

    int columnCount() const override { return model() ? model()->columnCount() : 0; }
    int rowCount() const override { return model() ? model()->rowCount() : 0; }

    int childCount() const override { return columnCount() * (rowCount() + 1); }
    QAccessibleInterface *child(int index) const override
    {
        const int columns = columnCount();
        if (index < 0 || columns == 0 || index >= childCount())
            return nullptr;
        return cell(index / columns - 1, index % columns);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        auto *inner = child ? const_cast<QAccessibleInterface *>(child)->tableCellInterface() : nullptr;
        if (!inner || inner->table() != this)
            return -1;
        return (inner->rowIndex() + 1) * columnCount() + inner->columnIndex();
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        QTreeView *v = view();
        if (!v || !model())
            return nullptr;
        const QPoint global(x, y);
        const QModelIndex index = v->indexAt(v->viewport()->mapFromGlobal(global));
        if (index.isValid())
            return cell(index.row(), index.column());
        const QHeaderView *header = v->header();
        if (header && header->isVisible()) {
            const QPoint inHeader = header->mapFromGlobal(global);
            const int column = header->rect().contains(inHeader) ? header->logicalIndexAt(inHeader.x()) : -1;
            if (column >= 0)
                return cell(-1, column);
        }
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        QTreeView *v = view();
        const QModelIndex current = v && v->hasFocus() ? v->currentIndex() : QModelIndex();
        return current.isValid() ? cell(current.row(), current.column()) : nullptr;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int column) const override
    {
        return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int) const override { return QString(); }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return cell(row, column);
    }
    int selectedCellCount() const override { return selection() ? selection()->selectedIndexes().size() : 0; }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        if (selection()) {
            for (const QModelIndex &index : selection()->selectedIndexes())
                cells << cell(index.row(), index.column());
        }
        return cells;
    }
    int selectedColumnCount() const override { return selectedColumns().size(); }
    int selectedRowCount() const override { return selectedRows().size(); }
    QList<int> selectedColumns() const override
    {
        QList<int> columns;
        if (selection()) {
            for (const QModelIndex &index : selection()->selectedColumns())
                columns << index.column();
        }
        return columns;
    }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        if (selection()) {
            for (const QModelIndex &index : selection()->selectedRows())
                rows << index.row();
        }
        return rows;
    }
    bool isColumnSelected(int column) const override
    {
        return selection() && selection()->isColumnSelected(column, QModelIndex());
    }
    bool isRowSelected(int row) const override { return selection() && selection()->isRowSelected(row, QModelIndex()); }
    bool selectRow(int row) override { return selectRowAs(row, QItemSelectionModel::Select); }
    bool unselectRow(int row) override { return selectRowAs(row, QItemSelectionModel::Deselect); }
    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    // Rows come, go and are sorted: the cells are made again for what the model holds now. A
    // changed value (a check, a new address) keeps them: they read the model as they are asked.
    void modelChange(QAccessibleTableModelChangeEvent *event) override
    {
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            forgetCells();
    }

private:
    QItemSelectionModel *selection() const { return view() ? view()->selectionModel() : nullptr; }

    bool selectRowAs(int row, QItemSelectionModel::SelectionFlag how)
    {
        if (!selection() || row < 0 || row >= rowCount())
            return false;
        selection()->select(model()->index(row, 0), how | QItemSelectionModel::Rows);
        return true;
    }

    // Row -1 is the header.
    QAccessibleInterface *cell(int row, int column) const
    {
        const quint64 key = (quint64(quint32(row + 1)) << 32) | quint32(column);
        if (QAccessibleInterface *known = QAccessible::accessibleInterface(m_cells.value(key)))
            return known;
        QAccessibleInterface *made = nullptr;
        if (row < 0)
            made = new CellAccessible(view(), column);
        else
            made = new CellAccessible(view(), model()->index(row, column));
        m_cells.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    void forgetCells()
    {
        for (QAccessible::Id id : qAsConst(m_cells))
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

    mutable QHash<quint64, QAccessible::Id> m_cells;
};

QAccessibleInterface *tableFactory(const QString &, QObject *object)
{
    auto *view = qobject_cast<CTableView *>(object);
    return view ? new TableAccessible(view) : nullptr;
}

} // namespace

bool toggleItemCheck(QAbstractItemModel *model, const QModelIndex &index)
{
    const Qt::ItemFlags flags = index.flags();
    if (!model || !index.isValid() || !(flags & Qt::ItemIsUserCheckable) || !(flags & Qt::ItemIsEnabled))
        return false;
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, int(checked ? Qt::Unchecked : Qt::Checked), Qt::CheckStateRole);
}

void installTableAccessibility()
{
    static const bool installed = (QAccessible::installFactory(tableFactory), true);
    Q_UNUSED(installed)
}

} // namespace OrvoGUIToolkit
