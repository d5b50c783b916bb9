#include "aptui/systemmenu.h"

namespace aptui {

SystemMenu::SystemMenu(QWidget *parent)
    : CMenu(parent)
{
}

} // namespace aptui
