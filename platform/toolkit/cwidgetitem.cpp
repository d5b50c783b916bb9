#include "toolkit/cwidgetitem.h"

namespace OrvoGUIToolkit {

CWidgetItem::CWidgetItem(QWidget *widget, Qt::Alignment alignment)
    : QWidgetItem(widget)
{
    setAlignment(alignment);
}

} // namespace OrvoGUIToolkit
