#include "toolkit/independentwindow.h"

#include <QWidget>

namespace OrvoGUIToolkit {

QWidget *GetIndependentWindow(QWidget *widget, const char *className)
{
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (!w->isWindow())
            continue;
        if (!className || w->inherits(className))
            return w;
    }
    return nullptr;
}

} // namespace OrvoGUIToolkit
