#pragma once

#include <QFrame>
#include <QPoint>

namespace OrvoGUIToolkit {

// Title bar for frameless windows: dragging it with the left button moves its top-level window,
// and a left double-click toggles the window between maximised and normal unless switched off.
class CFancyTitle : public QFrame
{
    Q_OBJECT

public:
    explicit CFancyTitle(QWidget *parent = nullptr);

    void SetOpenDoubleClickEnable(bool enable);
    bool IsOpenDoubleClickEnable() const;

Q_SIGNALS:
    // The window was maximised or restored by a double-click on the bar.
    void SignalWndSizeStatusChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool m_openDoubleClick = true;
    bool m_dragging = false;
    QPoint m_dragOffset;  // press position relative to the window's top-left corner
};

} // namespace OrvoGUIToolkit
