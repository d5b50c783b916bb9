#include "toolkit/ctabledelegate.h"

#include <QAbstractItemView>

namespace OrvoGUIToolkit {

CTableDelegate::CTableDelegate(QAbstractItemView *view)
    : QStyledItemDelegate(view)
{
}

QSize CTableDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height(), MinimumRowHeight));
    return size;
}

} // namespace OrvoGUIToolkit
