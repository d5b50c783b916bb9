#pragma once

#include <QTreeView>

namespace OrvoGUIToolkit {

// Tree view used as a flat table, with optional grid lines between cells.
class CAbstractItemView : public QTreeView
{
    Q_OBJECT

public:
    explicit CAbstractItemView(QWidget *parent = nullptr);

    void ShowGridLine(bool show);
    bool IsGridLineShown() const;

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;

private:
    bool m_showGridLine = true;
};

} // namespace OrvoGUIToolkit
