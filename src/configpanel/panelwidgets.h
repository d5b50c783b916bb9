#pragma once

#include <QLabel>
#include <QLatin1String>
#include <QPushButton>

// The panel's pages build their widgets in code; these give each its object name, which the style
// sheet and the tests select on.
namespace TarnTool {
namespace panelwidgets {

inline QLabel *makeLabel(QWidget *parent, const char *name, bool wrap = false)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(wrap);
    return label;
}

// The 16-pixel mark beside a field that shows whether its value passed the checks.
inline QLabel *makeHint(QWidget *parent, const char *name)
{
    QLabel *hint = makeLabel(parent, name);
    hint->setFixedSize(16, 16);
    return hint;
}

inline QPushButton *makeButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace panelwidgets
} // namespace TarnTool
