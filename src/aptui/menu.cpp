#include "aptui/menu.h"

namespace aptui {

Menu::Menu(QWidget *parent)
    : QMenu(parent)
{
    setUp();
}

Menu::Menu(const QString &title, QWidget *parent)
    : QMenu(title, parent)
{
    setUp();
}

// X11 has no window-class style to clear; Qt's own hint asks the platform for no shadow.
void Menu::setUp()
{
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setObjectName(QStringLiteral("Menu"));
}

Menu *Menu::addMenu(const QString &title)
{
    auto *menu = new Menu(title, this);
    addAction(menu->menuAction());
    return menu;
}

Menu *Menu::addMenu(const QIcon &icon, const QString &title)
{
    Menu *menu = addMenu(title);
    menu->setIcon(icon);
    return menu;
}

} // namespace aptui
