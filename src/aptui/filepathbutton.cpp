#include "aptui/filepathbutton.h"

namespace aptui {

FilePathButton::FilePathButton(QWidget *parent)
    : QToolButton(parent)
{
    // It shows only a folder picture.
    setAccessibleName(tr("Browse"));
}

} // namespace aptui
