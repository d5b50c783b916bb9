#pragma once

#include <QMenu>

namespace OrvoGUIToolkit {

// Base class of the toolkit's pop-up menus.
class CMenu : public QMenu
{
    Q_OBJECT

public:
    explicit CMenu(QWidget *parent = nullptr);
    CMenu(const QString &title, QWidget *parent = nullptr);
};

} // namespace OrvoGUIToolkit
