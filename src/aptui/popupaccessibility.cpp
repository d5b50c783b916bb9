#include "aptui/popupaccessibility.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QApplication>
#include <QWidget>

namespace aptui {

namespace {

class ApplicationAccessible : public QAccessibleApplication
{
public:
    int childCount() const override { return QAccessibleApplication::childCount() + openPopups().size(); }

    QAccessibleInterface *child(int index) const override
    {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QWidget *> popups = openPopups();
        index -= windows;
        return index < popups.size() ? QAccessible::queryAccessibleInterface(popups.at(index)) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const int window = QAccessibleApplication::indexOfChild(child);
        if (window >= 0 || !child)
            return window;
        const int popup = openPopups().indexOf(qobject_cast<QWidget *>(child->object()));
        return popup < 0 ? -1 : QAccessibleApplication::childCount() + popup;
    }

private:
    static QList<QWidget *> openPopups()
    {
        QList<QWidget *> popups;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->windowType() == Qt::Popup && widget->isVisible())
                popups << widget;
        }
        return popups;
    }
};

QAccessibleInterface *applicationFactory(const QString &, QObject *object)
{
    return object && object == qApp ? new ApplicationAccessible : nullptr;
}

} // namespace

void exposePopupsToAccessibility()
{
    QAccessible::installFactory(applicationFactory);
}

} // namespace aptui
