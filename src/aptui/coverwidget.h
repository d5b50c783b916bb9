#pragma once

#include "aptui/widget.h"

namespace aptui {

// The translucent layer the main window lays over itself while a modal dialog is open. The style
// sheet colours its one child, "m_cover".
class CoverWidget : public Widget
{
    Q_OBJECT

public:
    explicit CoverWidget(QWidget *parent = nullptr);

    QWidget *cover() const { return m_cover; }

private:
    QWidget *m_cover = nullptr;
};

// Lays `parent`'s cover while `page` shows a modal dialog: `page`'s signalCoverMainPage() and
// signalDisCoverMainPage() reach `parent`'s slots enableCover() and disableCover(). The main window
// sits above the pages' libraries, so its slots are reached by name; a parent without them is
// logged and left alone.
void connectCoverSlots(QObject *page, QWidget *parent);

} // namespace aptui
