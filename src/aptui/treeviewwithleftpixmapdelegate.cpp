#include "aptui/treeviewwithleftpixmapdelegate.h"

namespace aptui {

TreeViewWithLeftPixmapDelegate::TreeViewWithLeftPixmapDelegate(QAbstractItemView *view)
    : CTableDelegate(view)
{
}

QStyleOptionViewItem TreeViewWithLeftPixmapDelegate::adjustedOption(const QStyleOptionViewItem &option)
{
    QStyleOptionViewItem copy(option);
    if (copy.state & QStyle::State_Selected) {
        copy.state &= ~QStyle::State_Selected;
        copy.state |= QStyle::State_MouseOver;
    }
    return copy;
}

void TreeViewWithLeftPixmapDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                           const QModelIndex &index) const
{
    CTableDelegate::paint(painter, adjustedOption(option), index);
}

} // namespace aptui
