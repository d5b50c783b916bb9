#pragma once

#include <QMenu>

namespace aptui {

// The kit's pop-up menu: frameless and translucent, so the style sheet draws its whole shape, and
// without the platform's drop shadow.
class Menu : public QMenu
{
    Q_OBJECT

public:
    explicit Menu(QWidget *parent = nullptr);
    Menu(const QString &title, QWidget *parent = nullptr);

    using QMenu::addMenu;
    // A child aptui::Menu with that title (and icon), added as a sub-menu.
    Menu *addMenu(const QString &title);
    Menu *addMenu(const QIcon &icon, const QString &title);

private:
    void setUp();
};

} // namespace aptui
