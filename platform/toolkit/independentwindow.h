#pragma once

class QWidget;

namespace OrvoGUIToolkit {

// The top-level window that holds `widget` (itself when it is one). With a class name, the nearest
// enclosing window that inherits that class. Null when `widget` is null or nothing matches.
QWidget *GetIndependentWindow(QWidget *widget, const char *className);

} // namespace OrvoGUIToolkit
