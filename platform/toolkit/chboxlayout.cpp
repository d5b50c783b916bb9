#include "toolkit/chboxlayout.h"

namespace OrvoGUIToolkit {

CHBoxLayout::CHBoxLayout() = default;

CHBoxLayout::CHBoxLayout(QWidget *parent)
    : QHBoxLayout(parent)
{
}

void CHBoxLayout::SetLayoutContentsMargins(int left, int top, int right, int bottom)
{
    setContentsMargins(left, top, right, bottom);
}

void CHBoxLayout::SetLayoutSpacing(int spacing)
{
    setSpacing(spacing);
}

void CHBoxLayout::AddWidget(QWidget *widget, int stretch, Qt::Alignment alignment)
{
    addWidget(widget, stretch, alignment);
}

void CHBoxLayout::AddItem(QLayoutItem *item, int stretch)
{
    if (!item)
        return;
    // addWidget() would reparent the widget itself; a bare item needs it done here.
    if (QWidget *widget = item->widget())
        addChildWidget(widget);
    insertItem(-1, item);
    setStretch(count() - 1, stretch);
}

} // namespace OrvoGUIToolkit
