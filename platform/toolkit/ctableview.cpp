#include "toolkit/ctableview.h"

namespace OrvoGUIToolkit {

CTableView::CTableView(QWidget *parent)
    : CAbstractItemView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}

} // namespace OrvoGUIToolkit
