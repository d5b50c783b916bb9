#pragma once

#include <QHBoxLayout>

namespace OrvoGUIToolkit {

// Horizontal layout with the toolkit's call names.
class CHBoxLayout : public QHBoxLayout
{
    Q_OBJECT

public:
    CHBoxLayout();
    explicit CHBoxLayout(QWidget *parent);

    void SetLayoutContentsMargins(int left, int top, int right, int bottom);
    void SetLayoutSpacing(int spacing);
    void AddWidget(QWidget *widget, int stretch = 0, Qt::Alignment alignment = Qt::Alignment());
    // Takes ownership of `item` (a CWidgetItem, a spacer or a nested layout).
    void AddItem(QLayoutItem *item, int stretch = 0);
};

} // namespace OrvoGUIToolkit
