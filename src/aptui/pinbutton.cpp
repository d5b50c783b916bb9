#include "aptui/pinbutton.h"


namespace aptui {

PinButton::PinButton(QWidget *parent)
    : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &PinButton::buddyState);
    connect(this, &QPushButton::clicked, this, &PinButton::pinButtonClicked);
    setStyleSheet(leftStyle());
    setFixedSize(14, 69);
}

const QString &PinButton::leftStyle()
{
    static const QString style = QStringLiteral(
        "aptui--PinButton{     border-image:url(:/aptui/complex/Images/System/Complex/left.png);}"
        "aptui--PinButton:pressed{     border-image:url(:/aptui/complex/Images/System/Complex/leftSel.png);}");
    return style;
}

const QString &PinButton::rightStyle()
{
    static const QString style = QStringLiteral(
        "aptui--PinButton{     border-image:url(:/aptui/complex/Images/System/Complex/right.png);}"
        "aptui--PinButton:pressed{     border-image:url(:/aptui/complex/Images/System/Complex/RightSel.png);}");
    return style;
}

void PinButton::setBuddy(QWidget *buddy)
{
    m_buddy = buddy;
}

void PinButton::buddyState()
{
    if (!m_buddy)
        return;
    // isHidden, not isVisible: the buddy's own state counts, even while the window is not shown.
    if (!m_buddy->isHidden()) {
        m_buddy->hide();
        setStyleSheet(rightStyle());
    } else {
        m_buddy->show();
        setStyleSheet(leftStyle());
    }
}

} // namespace aptui
