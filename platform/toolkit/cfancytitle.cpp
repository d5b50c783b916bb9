#include "toolkit/cfancytitle.h"

#include <QMouseEvent>

#include "toolkit/cwidgetsizefactory.h"

namespace OrvoGUIToolkit {

CFancyTitle::CFancyTitle(QWidget *parent)
    : QFrame(parent)
{
}

void CFancyTitle::SetOpenDoubleClickEnable(bool enable)
{
    m_openDoubleClick = enable;
}

bool CFancyTitle::IsOpenDoubleClickEnable() const
{
    return m_openDoubleClick;
}

void CFancyTitle::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPos() - window()->frameGeometry().topLeft();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void CFancyTitle::mouseMoveEvent(QMouseEvent *event)
{
    QWidget *win = window();
    // A maximised window stays where it is; the user restores it first.
    if (m_dragging && (event->buttons() & Qt::LeftButton) && !CWidgetSizeFactory::IsMaximized(win)
        && !CWidgetSizeFactory::IsFullScreen(win)) {
        win->move(event->globalPos() - m_dragOffset);
        event->accept();
        return;
    }
    QFrame::mouseMoveEvent(event);
}

void CFancyTitle::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QFrame::mouseReleaseEvent(event);
}

void CFancyTitle::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_openDoubleClick || event->button() != Qt::LeftButton) {
        QFrame::mouseDoubleClickEvent(event);
        return;
    }
    QWidget *win = window();
    if (CWidgetSizeFactory::IsMaximized(win))
        CWidgetSizeFactory::ShowNormal(win, QSize());
    else
        CWidgetSizeFactory::ShowMaximized(win);
    Q_EMIT SignalWndSizeStatusChanged();
    event->accept();
}

} // namespace OrvoGUIToolkit
