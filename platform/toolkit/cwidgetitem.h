#pragma once

#include <QWidgetItem>

namespace OrvoGUIToolkit {

// A layout item for one widget with its alignment inside the cell.
class CWidgetItem : public QWidgetItem
{
public:
    CWidgetItem(QWidget *widget, Qt::Alignment alignment);
};

} // namespace OrvoGUIToolkit
