#include "toolkit/cabstractitemview.h"

#include <QHeaderView>
#include <QPainter>

namespace OrvoGUIToolkit {

CAbstractItemView::CAbstractItemView(QWidget *parent)
    : QTreeView(parent)
{
}

void CAbstractItemView::ShowGridLine(bool show)
{
    if (m_showGridLine == show)
        return;
    m_showGridLine = show;
    viewport()->update();
}

bool CAbstractItemView::IsGridLineShown() const
{
    return m_showGridLine;
}

void CAbstractItemView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    QTreeView::drawRow(painter, option, index);
    if (!m_showGridLine)
        return;

    painter->save();
    painter->setPen(palette().color(QPalette::Mid));
    const QRect row = option.rect;
    painter->drawLine(row.left(), row.bottom(), row.right(), row.bottom());
    const QHeaderView *h = header();
    for (int section = 0; section < h->count(); ++section) {
        if (h->isSectionHidden(section))
            continue;
        const int x = h->sectionViewportPosition(section) + h->sectionSize(section) - 1;
        painter->drawLine(x, row.top(), x, row.bottom());
    }
    painter->restore();
}

} // namespace OrvoGUIToolkit
