#include "aptui/windowtitle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSpacerItem>
#include <QStyle>
#include <QToolButton>

#include "aptui/systemmenu.h"
#include "toolkit/chboxlayout.h"
#include "toolkit/cwidgetitem.h"
#include "toolkit/cwidgetsizefactory.h"
#include "toolkit/independentwindow.h"

using OrvoGUIToolkit::CWidgetSizeFactory;
using OrvoGUIToolkit::GetIndependentWindow;

namespace aptui {

namespace {
QToolButton *makeButton(const char *name, Qt::FocusPolicy focus, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(24, 24);
    button->setFocusPolicy(focus);
    return button;
}
} // namespace

WindowTitle::WindowTitle(QWidget *parent)
    : CFancyTitle(parent)
{
    SetOpenDoubleClickEnable(false);
    setFixedHeight(35);

    m_labelTitle = new QLabel(this);
    m_labelTitle->setObjectName(QStringLiteral("m_labelTitle"));
    m_labelTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_btnIcon = makeButton("m_btnIcon", Qt::NoFocus, this);
    m_btnMinimize = makeButton("m_btnMinimize", Qt::ClickFocus, this);
    m_btnMaximize = makeButton("m_btnMaximize", Qt::ClickFocus, this);
    m_btnClose = makeButton("m_btnClose", Qt::ClickFocus, this);
    m_btnClose->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    m_btnSystemMenu = makeButton("m_btnSystemMenu", Qt::ClickFocus, this);
    m_systemMenu = new SystemMenu(this);
    // The buttons show only images; screen readers and tests find them by these names.
    m_btnMinimize->setAccessibleName(tr("Minimize"));
    m_btnMaximize->setAccessibleName(tr("Maximize or restore"));
    m_btnClose->setAccessibleName(tr("Close"));
    m_btnSystemMenu->setAccessibleName(tr("Menu"));
    m_btnIcon->setAccessibleName(tr("Application icon"));

    auto *container = new QWidget(this);
    auto *buttons = new QHBoxLayout(container);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addStretch();
    buttons->addWidget(m_btnSystemMenu);
    buttons->addSpacerItem(new QSpacerItem(12, 1, QSizePolicy::Fixed, QSizePolicy::Minimum));
    buttons->addWidget(m_btnMinimize);
    buttons->addWidget(m_btnMaximize);
    buttons->addWidget(m_btnClose);

    auto *layout = new OrvoGUIToolkit::CHBoxLayout(this);
    layout->SetLayoutContentsMargins(4, 0, 4, 0);
    layout->SetLayoutSpacing(10);
    layout->AddWidget(m_btnIcon);
    layout->AddItem(new OrvoGUIToolkit::CWidgetItem(m_labelTitle, Qt::AlignLeft | Qt::AlignVCenter));
    layout->AddItem(new QSpacerItem(5, 1, QSizePolicy::Fixed, QSizePolicy::Minimum));
    layout->AddWidget(container, 1);

    connect(m_btnMinimize, &QToolButton::clicked, this, &WindowTitle::minimizeWindow);
    connect(m_btnMaximize, &QToolButton::clicked, this, &WindowTitle::maxOrRestoreWindow,
            Qt::QueuedConnection);
    // Queued: closing asks first in a modal box, and a press through the accessibility bus
    // would get no answer until that box is closed.
    connect(m_btnClose, &QToolButton::clicked, this, &WindowTitle::closeWindow, Qt::QueuedConnection);
    connect(m_btnSystemMenu, &QToolButton::clicked, this, &WindowTitle::displaySyetemMenu);
}

void WindowTitle::setTitle(const QString &title)
{
    m_labelTitle->setText(title);
}

void WindowTitle::setIcon(const QIcon &icon)
{
    m_btnIcon->setIcon(icon);
}

void WindowTitle::minimizeWindow()
{
    if (QWidget *window = GetIndependentWindow(this, nullptr))
        window->showMinimized();
}

void WindowTitle::maxOrRestoreWindow()
{
    QWidget *window = GetIndependentWindow(this, nullptr);
    if (!window)
        return;
    if (CWidgetSizeFactory::IsMaximized(window)) {
        CWidgetSizeFactory::ShowNormal(window, QSize());
        m_btnMaximize->setObjectName(QStringLiteral("m_btnMaximize"));
    } else {
        CWidgetSizeFactory::ShowMaximized(window);
        m_btnMaximize->setObjectName(QStringLiteral("m_btnResore"));
    }
    // The style sheet selects on the name; re-polish so it takes the other icon.
    m_btnMaximize->style()->unpolish(m_btnMaximize);
    m_btnMaximize->style()->polish(m_btnMaximize);
    m_btnMaximize->update();
}

void WindowTitle::closeWindow()
{
    QWidget *window = GetIndependentWindow(this, nullptr);
    if (!window)
        return;
    window->close();
    Q_EMIT signalCloseApp();
}

void WindowTitle::displaySyetemMenu()
{
    Q_EMIT signalSystemMenu();
}

void WindowTitle::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        CFancyTitle::mouseDoubleClickEvent(event);
        return;
    }
    maxOrRestoreWindow();
    Q_EMIT SignalWndSizeStatusChanged();
    event->accept();
}

} // namespace aptui
