#pragma once

#include "toolkit/cmenu.h"

namespace aptui {

// The menu class of the title bar's system-menu button. The main window fills it and handles its
// actions; the four slots are hooks a derived menu may give a meaning.
class SystemMenu : public OrvoGUIToolkit::CMenu
{
    Q_OBJECT

public:
    explicit SystemMenu(QWidget *parent = nullptr);

private Q_SLOTS:
    virtual void openUserManual() {}
    virtual void updateData() {}
    virtual void settings() {}
    virtual void about() {}
};

} // namespace aptui
