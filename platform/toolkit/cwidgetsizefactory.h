#pragma once

#include <QSize>

class QWidget;

namespace OrvoGUIToolkit {

// Window-state queries and changes for frameless top-level windows. Null windows are ignored.
class CWidgetSizeFactory
{
public:
    static bool IsMaximized(const QWidget *window);
    static bool IsFullScreen(const QWidget *window);
    static void ShowMaximized(QWidget *window);
    // Restores the normal state; a valid `size` is applied as the new window size.
    static void ShowNormal(QWidget *window, const QSize &size);
};

} // namespace OrvoGUIToolkit
