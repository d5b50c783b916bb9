#include "aptui/fieldlabels.h"

#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

namespace aptui {

namespace {

bool isField(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget)
        || qobject_cast<const QAbstractSpinBox *>(widget) || qobject_cast<const QTextEdit *>(widget);
}

void link(QLayoutItem *labelItem, QLayoutItem *fieldItem)
{
    if (!labelItem || !fieldItem)
        return;
    auto *label = qobject_cast<QLabel *>(labelItem->widget());
    QWidget *field = fieldItem->widget();
    if (!label || !field || label->buddy() || !isField(field) || !field->accessibleName().isEmpty())
        return;
    label->setBuddy(field);
}

void linkLayout(QLayout *layout)
{
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        for (int row = 0; row < grid->rowCount(); ++row) {
            for (int column = 0; column + 1 < grid->columnCount(); ++column)
                link(grid->itemAtPosition(row, column), grid->itemAtPosition(row, column + 1));
        }
    } else if (auto *box = qobject_cast<QBoxLayout *>(layout)) {
        if (box->direction() == QBoxLayout::LeftToRight) {
            for (int i = 0; i + 1 < box->count(); ++i)
                link(box->itemAt(i), box->itemAt(i + 1));
        }
    }
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout *inner = layout->itemAt(i)->layout())
            linkLayout(inner);
    }
}

} // namespace

void linkFieldLabels(QWidget *root)
{
    if (!root)
        return;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : widgets) {
        if (widget->layout())
            linkLayout(widget->layout());
    }
}

} // namespace aptui
