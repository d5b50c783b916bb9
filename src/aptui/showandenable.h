#pragma once

#include <QWidget>

namespace aptui {

// A button the frame does not offer is hidden and also disabled, so no shortcut or click can
// reach it while hidden.
inline void showAndEnable(QWidget *widget, bool showIt)
{
    widget->setVisible(showIt);
    widget->setEnabled(showIt);
}

} // namespace aptui
