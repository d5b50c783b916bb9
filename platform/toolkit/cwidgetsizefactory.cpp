#include "toolkit/cwidgetsizefactory.h"

#include <QWidget>

namespace OrvoGUIToolkit {

bool CWidgetSizeFactory::IsMaximized(const QWidget *window)
{
    return window && window->isMaximized();
}

bool CWidgetSizeFactory::IsFullScreen(const QWidget *window)
{
    return window && window->isFullScreen();
}

void CWidgetSizeFactory::ShowMaximized(QWidget *window)
{
    if (window)
        window->showMaximized();
}

void CWidgetSizeFactory::ShowNormal(QWidget *window, const QSize &size)
{
    if (!window)
        return;
    window->showNormal();
    if (size.isValid())
        window->resize(size);
}

} // namespace OrvoGUIToolkit
