#include "toolkit/ctableview.h"

#include "toolkit/ctableaccessible.h"

namespace OrvoGUIToolkit {

CTableView::CTableView(QWidget *parent)
    : CAbstractItemView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    installTableAccessibility();
}

} // namespace OrvoGUIToolkit
