#pragma once

#include "toolkit/cfancytitle.h"

class QLabel;
class QToolButton;

namespace aptui {

class SystemMenu;

// The main window's title bar: icon and title on the left; system menu, minimise,
// maximise/restore and close on the right. The maximise button is named "m_btnMaximize" while the
// window is normal and "m_btnResore" while it is maximised, so the style sheet shows the right icon.
class WindowTitle : public OrvoGUIToolkit::CFancyTitle
{
    Q_OBJECT

public:
    explicit WindowTitle(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    void setIcon(const QIcon &icon);

    SystemMenu *systemMenu() const { return m_systemMenu; }

Q_SIGNALS:
    // After the window was asked to close, whether or not it accepted.
    void signalCloseApp();
    void signalSystemMenu();

public Q_SLOTS:
    void minimizeWindow();
    void maxOrRestoreWindow();
    void closeWindow();
    void displaySyetemMenu();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QLabel *m_labelTitle = nullptr;
    QToolButton *m_btnIcon = nullptr;
    QToolButton *m_btnMinimize = nullptr;
    QToolButton *m_btnMaximize = nullptr;
    QToolButton *m_btnClose = nullptr;
    QToolButton *m_btnSystemMenu = nullptr;
    SystemMenu *m_systemMenu = nullptr;
};

} // namespace aptui
