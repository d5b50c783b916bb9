#include "aptui/basedialog.h"

#include "aptui/basetitle.h"
#include "aptui/showandenable.h"
#include "ui_basedialog.h"

namespace aptui {

namespace {
// Connects `signal` to the default action once, or removes exactly that connection.
template <class Receiver, class Action>
void toggleDefault(BaseTitle *title, void (BaseTitle::*signal)(), Receiver *receiver, Action action,
                   bool enable, bool &connected, QMetaObject::Connection &connection)
{
    if (!enable)
        QObject::disconnect(connection);
    else if (!connected)
        connection = QObject::connect(title, signal, receiver, action);
    connected = enable;
}

// Takes every item out of `layout` and deletes it; the widgets the items held stay alive.
QList<QWidget *> takeItems(QLayout *layout)
{
    QList<QWidget *> widgets;
    while (QLayoutItem *item = layout->takeAt(0)) {
        if (QWidget *widget = item->widget())
            widgets.append(widget);
        delete item;
    }
    return widgets;
}
} // namespace

BaseDialog::BaseDialog(bool showApp, bool showOption, bool showMin, bool showMax, bool showClose,
                       bool showConfirm, bool showCancel, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::BaseDialog)
{
    ui->setupUi(this);
    m_pTitle = new BaseTitle(showApp, showOption, showMin, showMax, showClose, this);
    ui->titleLayout->addWidget(m_pTitle);

    showAndEnable(ui->btnConfirm, showConfirm);
    showAndEnable(ui->btnCancel, showCancel);

    connect(m_pTitle, &BaseTitle::signalAppButtonClicked, this, &BaseDialog::signalAppButtonClicked);
    connect(m_pTitle, &BaseTitle::signalOptionButtonClicked, this, &BaseDialog::signalOptionButtonClicked);
    connect(m_pTitle, &BaseTitle::signalMinButtonClicked, this, &BaseDialog::signalMinButtonClicked);
    connect(m_pTitle, &BaseTitle::signalMaxButtonClicked, this, &BaseDialog::signalMaxButtonClicked);
    connect(m_pTitle, &BaseTitle::signalCloseButtonClicked, this, &BaseDialog::signalCloseButtonClicked);
    connect(ui->btnConfirm, &QPushButton::clicked, this, &BaseDialog::onConfirmBtnClicked);
    connect(ui->btnCancel, &QPushButton::clicked, this, &BaseDialog::onCancelBtnClicked);
    setEnableMin(true);
    setEnableMax(true);
    setEnableClose(true);

    // The dialog type stays: a dialog with a parent and no window type would be embedded in
    // its parent as a child widget instead of opening as a window of its own.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

BaseDialog::~BaseDialog()
{
    takeItems(ui->BorderLayout);
    takeItems(ui->layoutMyBtns);
    delete m_pTitle;
    m_pTitle = nullptr;
    delete ui;
}

void BaseDialog::setContentWidget(QWidget *widget)
{
    QList<QWidget *> previous = takeItems(ui->BorderLayout);
    if (ui->m_labelNULL) {
        previous.removeAll(ui->m_labelNULL);
        delete ui->m_labelNULL;
        ui->m_labelNULL = nullptr;
    }
    // A widget taken out but left shown would lie over the new content.
    for (QWidget *old : qAsConst(previous)) {
        if (old != widget)
            old->hide();
    }
    if (!widget)
        return;
    ui->BorderLayout->addWidget(widget);
    widget->show();
}

void BaseDialog::setEnableConfirm(bool enable)
{
    m_bEnableConfirm = enable;
}

void BaseDialog::setEnableCancel(bool enable)
{
    m_bEnableCancel = enable;
}

void BaseDialog::setEnableMin(bool enable)
{
    toggleDefault(m_pTitle, &BaseTitle::signalMinButtonClicked, this, &QWidget::showMinimized,
                  enable, m_bMinConnected, m_minConnection);
}

void BaseDialog::setEnableMax(bool enable)
{
    toggleDefault(m_pTitle, &BaseTitle::signalMaxButtonClicked, this, &BaseDialog::restoreWindow,
                  enable, m_bMaxConnected, m_maxConnection);
}

void BaseDialog::setEnableClose(bool enable)
{
    toggleDefault(m_pTitle, &BaseTitle::signalCloseButtonClicked, this, &QWidget::close, enable,
                  m_bCloseConnected, m_closeConnection);
}

void BaseDialog::setEnableDefaultConnections(bool enableMin, bool enableMax, bool enableClose,
                                             bool enableConfirm, bool enableCancel)
{
    setEnableMin(enableMin);
    setEnableMax(enableMax);
    setEnableClose(enableClose);
    m_bEnableConfirm = enableConfirm;
    m_bEnableCancel = enableCancel;
}

void BaseDialog::addTitleButton(QAbstractButton *button)
{
    m_pTitle->addCustomButton(button);
}

void BaseDialog::addBottomButton(QWidget *widget)
{
    if (widget)
        ui->layoutMyBtns->addWidget(widget);
}

void BaseDialog::setDialogFixedSize(int w, int h)
{
    const int titleHeight = qMax(m_pTitle->minimumHeight(), m_pTitle->sizeHint().height());
    const QWidget *bottom = ui->m_BaseDialogBottom;
    const int bottomHeight =
        bottom->isHidden() ? 0 : qMax(bottom->minimumHeight(), bottom->sizeHint().height());
    setFixedSize(w, h);
    ui->mainBorder->setFixedSize(w, qMax(0, h - titleHeight - bottomHeight));
}

void BaseDialog::setDialogFixedSize(const QSize &size)
{
    setDialogFixedSize(size.width(), size.height());
}

void BaseDialog::setTitle(const QString &title)
{
    m_pTitle->setTitle(title);
    setWindowTitle(title);
}

void BaseDialog::setDefaultText(const QString &text, int fontSize, bool blod)
{
    if (!ui->m_labelNULL)
        return;
    const QString pattern = blod
        ? QStringLiteral("<html><head/><body><p align=\"center\"><span style=\" font-size:%2pt; "
                         "font-weight:600;\">%1</span></p></body></html>")
        : QStringLiteral("<html><head/><body><p align=\"center\"><span style=\" font-size:%2pt;\">"
                         "%1</span></p></body></html>");
    // One arg() call fills both places at once, so a "%2" inside the text stays as it is.
    ui->m_labelNULL->setText(pattern.arg(text, QString::number(fontSize)));
}

void BaseDialog::setDefaultText(const QString &text, int fontSize)
{
    setDefaultText(text, fontSize, false);
}

void BaseDialog::setDefaultText(const QString &text)
{
    if (ui->m_labelNULL)
        ui->m_labelNULL->setText(text);
}

void BaseDialog::setConfirmButtonText(const QString &text)
{
    ui->btnConfirm->setText(text);
}

void BaseDialog::setCancelButtonText(const QString &text)
{
    ui->btnCancel->setText(text);
}

void BaseDialog::setBottomBarHeight(int height)
{
    ui->m_BaseDialogBottom->setFixedHeight(height);
}

void BaseDialog::setBottomVisible(bool value)
{
    ui->m_BaseDialogBottom->setVisible(value);
}

void BaseDialog::onConfirmBtnClicked()
{
    if (m_bEnableConfirm)
        accept();
    Q_EMIT signalConfirmButtonClicked();
}

void BaseDialog::onCancelBtnClicked()
{
    if (m_bEnableCancel)
        close();
    Q_EMIT signalCancelButtonClicked();
}

void BaseDialog::restoreWindow()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

} // namespace aptui
