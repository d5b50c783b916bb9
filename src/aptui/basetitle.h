#pragma once

#include <QIcon>

#include "toolkit/cfancytitle.h"

class QAbstractButton;

namespace Ui {
class BaseTitle;
}

namespace aptui {

// The title bar of every dialog: application button, title, extra buttons, then option,
// minimise, maximise and close. The skin draws the buttons by object name; dragging is the
// toolkit title's.
class BaseTitle : public OrvoGUIToolkit::CFancyTitle
{
    Q_OBJECT

public:
    BaseTitle(bool showApp, bool showOption, bool showMin, bool showMax, bool showClose,
              QWidget *parent = nullptr);
    ~BaseTitle() override;

Q_SIGNALS:
    void signalAppButtonClicked();
    void signalOptionButtonClicked();
    void signalMinButtonClicked();
    void signalMaxButtonClicked();
    void signalCloseButtonClicked();

public Q_SLOTS:
    void setAppButtonShow(bool showIt);
    void setOptionButtonShow(bool showIt);
    void setMinButtonShow(bool showIt);
    void setMaxButtonShow(bool showIt);
    void setCloseButtonShow(bool showIt);
    void addCustomButton(QAbstractButton *btn);
    void setTitle(const QString &title);
    void setTitleIcon(const QIcon &icon);

private:
    Q_DISABLE_COPY(BaseTitle)
    Ui::BaseTitle *ui = nullptr;
};

} // namespace aptui
