#include "aptui/basetitle.h"

#include "aptui/showandenable.h"
#include "ui_basetitle.h"

namespace aptui {

BaseTitle::BaseTitle(bool showApp, bool showOption, bool showMin, bool showMax, bool showClose,
                     QWidget *parent)
    : CFancyTitle(parent)
    , ui(new Ui::BaseTitle)
{
    ui->setupUi(this);
    setAppButtonShow(showApp);
    setOptionButtonShow(showOption);
    setMinButtonShow(showMin);
    setMaxButtonShow(showMax);
    setCloseButtonShow(showClose);
    // The buttons show only pictures.
    ui->btnApp->setAccessibleName(tr("Application icon"));
    ui->btnOption->setAccessibleName(tr("Options"));
    ui->btnMin->setAccessibleName(tr("Minimize"));
    ui->btnMax->setAccessibleName(tr("Maximize or restore"));
    ui->btnClose->setAccessibleName(tr("Close"));

    connect(ui->btnApp, &QToolButton::clicked, this, &BaseTitle::signalAppButtonClicked);
    connect(ui->btnOption, &QToolButton::clicked, this, &BaseTitle::signalOptionButtonClicked);
    connect(ui->btnMin, &QToolButton::clicked, this, &BaseTitle::signalMinButtonClicked);
    connect(ui->btnMax, &QToolButton::clicked, this, &BaseTitle::signalMaxButtonClicked);
    connect(ui->btnClose, &QToolButton::clicked, this, &BaseTitle::signalCloseButtonClicked);
}

BaseTitle::~BaseTitle()
{
    // The custom buttons are children of the title and go with it; only the items are ours.
    while (QLayoutItem *item = ui->m_hlayoutCustomButtons->takeAt(0))
        delete item;
    delete ui;
}

void BaseTitle::setAppButtonShow(bool showIt)
{
    showAndEnable(ui->btnApp, showIt);
}

void BaseTitle::setOptionButtonShow(bool showIt)
{
    showAndEnable(ui->btnOption, showIt);
}

void BaseTitle::setMinButtonShow(bool showIt)
{
    showAndEnable(ui->btnMin, showIt);
}

void BaseTitle::setMaxButtonShow(bool showIt)
{
    showAndEnable(ui->btnMax, showIt);
}

void BaseTitle::setCloseButtonShow(bool showIt)
{
    showAndEnable(ui->btnClose, showIt);
}

void BaseTitle::addCustomButton(QAbstractButton *btn)
{
    if (btn)
        ui->m_hlayoutCustomButtons->addWidget(btn);
}

void BaseTitle::setTitle(const QString &title)
{
    ui->labelTitle->setText(title);
}

void BaseTitle::setTitleIcon(const QIcon &icon)
{
    ui->btnApp->setIcon(icon);
}

} // namespace aptui
