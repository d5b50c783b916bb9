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

} // namespace aptui
