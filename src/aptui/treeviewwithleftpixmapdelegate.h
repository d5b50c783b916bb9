#pragma once

#include "toolkit/ctabledelegate.h"

namespace aptui {

// Draws selected rows like hovered rows, so a checked table keeps a calm look.
class TreeViewWithLeftPixmapDelegate : public OrvoGUIToolkit::CTableDelegate
{
    Q_OBJECT

public:
    explicit TreeViewWithLeftPixmapDelegate(QAbstractItemView *view);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The option paint() hands on: State_Selected replaced by State_MouseOver.
    static QStyleOptionViewItem adjustedOption(const QStyleOptionViewItem &option);
};

} // namespace aptui
