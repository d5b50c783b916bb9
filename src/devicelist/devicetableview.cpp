#include "devicelist/devicetableview.h"

#include <QKeyEvent>

#include "toolkit/ctableaccessible.h"

namespace TarnTool {

DeviceTableView::DeviceTableView(QWidget *parent)
    : CTableView(parent)
{
}

bool DeviceTableView::toggleRowCheck(int row)
{
    QAbstractItemModel *m = model();
    if (!m || row < 0 || row >= m->rowCount())
        return false;
    for (int column = 0; column < m->columnCount(); ++column) {
        const QModelIndex index = m->index(row, column);
        if (index.flags() & Qt::ItemIsUserCheckable)
            return OrvoGUIToolkit::toggleItemCheck(m, index);
    }
    return false;
}

void DeviceTableView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        toggleRowCheck(currentIndex().row());
        event->accept();
        return;
    }
    CTableView::keyPressEvent(event);
}

} // namespace TarnTool
