#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace OrvoGUIToolkit {

// Item delegate for toolkit tables: gives rows a comfortable minimum height.
class CTableDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CTableDelegate(QAbstractItemView *view);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static constexpr int MinimumRowHeight = 26;
};

} // namespace OrvoGUIToolkit
