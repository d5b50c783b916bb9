#include "app/tarntoolmainpage.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDebug>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>

#include "common/linklayer.h"
#include "config/configuremanager.h"
#include "config/lanaguagemanager.h"
#include "aptui/aboutdialog.h"
#include "aptui/basedialog.h"
#include "aptui/coverwidget.h"
#include "aptui/hintbox.h"
#include "aptui/menu.h"
#include "aptui/pinbutton.h"
#include "aptui/tipdialog.h"
#include "aptui/windowtitle.h"
#include "configpanel/devicemodifypage.h"
#include "devicelist/devicedisplaypage.h"
#include "devicelist/deviceeventqueue.h"
#include "discovery/deviceinfo.h"
#include "discovery/tarnhandler.h"
#include "recovery/resetpassworddialog.h"
#include "recovery/restorepassworddialog.h"
#include "ui_tarntoolmainpage.h"

namespace TarnTool {

TARNToolMainPage::TARNToolMainPage(QWidget *parent, TARN::TarnHandler *handler, const QString &columnConfig)
    : QMainWindow(parent), ui(new Ui::TARNToolMainPage),
      m_handler(handler ? handler : TARN::TarnHandler::instance())
{
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint);

    m_pHLayout = new QHBoxLayout;
    m_pWindowTitle = new aptui::WindowTitle(this);
    m_pDisplayPage = new DeviceDisplayPage(this, columnConfig);
    m_pDisplayPage->setDiscoveryHandler(m_handler);
    m_pModifyPage = new DeviceModifyPage(this);
    m_pRightSpace = new QWidget(this);
    m_pRightSpace->setFixedWidth(10);

    m_pHLayout->addWidget(m_pDisplayPage);
    m_pHLayout->addWidget(m_pModifyPage);
    m_pHLayout->addWidget(m_pRightSpace);
    ui->verticalLayout->addWidget(m_pWindowTitle);
    ui->verticalLayout->addLayout(m_pHLayout);
    m_pRightSpace->hide();

    m_pPinBorder = new QWidget(this);
    m_pPinBorder->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pPinBorder->setObjectName(QStringLiteral("m_PinBorder"));

    m_pPinButton = new aptui::PinButton(this);
    m_pPinButton->raise();
    m_pPinButton->setBuddy(m_pModifyPage);
    m_pPinButton->setObjectName(QStringLiteral("m_pSpreadButton"));
    m_pPinButton->setAccessibleName(tr("Fold or unfold the modify panel"));

    const QString title = tr("TARN Tool");
    m_pWindowTitle->setTitle(title);
    setWindowTitle(title);

    m_pCover = new aptui::CoverWidget(this);
    m_pCover->setVisible(false);
    m_pCover->lower();
    m_bCovered = false;

    const QIcon logo(QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/SystemInfo/logo_large.png"));
    setWindowIcon(logo);
    m_pWindowTitle->setIcon(logo);

    m_pMenu = new aptui::Menu(this);
    m_pAboutAction = new AboutDialog(nullptr);
    m_pAboutAction->setLanguageSource([] { return apt::LanaguageManager::instance()->language(); });
    // The panel is a picture to a screen reader, so the menu names it, and its help button is an
    // item of the menu: both are then items a keyboard and a screen reader can reach.
    m_pAboutAction->setText(tr("About"));
    m_pAboutAction->setConerBtnVisible(false);
    m_pMenu->addAction(m_pAboutAction);
    QAction *help = m_pMenu->addAction(tr("User Help"));
    help->setObjectName(QStringLiteral("userHelpAction"));
    // Queued: a missing manual is told in a modal box, and an item triggered through the
    // accessibility bus would get no answer until that box is closed.
    connect(help, &QAction::triggered, m_pAboutAction, &AboutDialog::onGetHelp, Qt::QueuedConnection);
    m_pMenu->setObjectName(QStringLiteral("aboutMenu"));
    m_pMenu->setAccessibleName(tr("Menu"));
    m_pMenu->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    m_pMenu->setAttribute(Qt::WA_TranslucentBackground);
    m_pMenu->setFocusPolicy(Qt::NoFocus);

    connect(m_pWindowTitle, &aptui::WindowTitle::signalSystemMenu, this, &TARNToolMainPage::OnBtnSystemMenu,
            Qt::DirectConnection);
    connect(m_pAboutAction, &AboutDialog::signalCover, this, &TARNToolMainPage::enableCover);
    connect(m_pAboutAction, &AboutDialog::signalDiscover, this, &TARNToolMainPage::disableCover);
    connect(this, &TARNToolMainPage::signalGetHelp, m_pAboutAction, &AboutDialog::onGetHelp);

    // Queued signals from the library's thread carry these types; they must be known first.
    registerDeviceMetaTypes();
    // Through the queue, so a whole site arriving or leaving at once never stops the painting.
    m_pDeviceEvents = new DeviceEventQueue(m_pDisplayPage, this, m_handler);
    connect(m_handler, &TARN::TarnHandler::signalDeviceOnline, m_pDeviceEvents, &DeviceEventQueue::onDeviceLogin,
                Qt::DirectConnection);
    connect(m_handler, &TARN::TarnHandler::signalDeviceOffline, m_pDeviceEvents, &DeviceEventQueue::onDeviceLogout,
                Qt::DirectConnection);
    connect(m_handler, &TARN::TarnHandler::signalDeviceUpdate, m_pDeviceEvents, &DeviceEventQueue::onDeviceUpdate,
                Qt::DirectConnection);
    connect(m_pDisplayPage, &DeviceDisplayPage::signalCurrentSelectionModelChange, m_pModifyPage,
            &DeviceModifyPage::onCurrentSelectionChange, Qt::DirectConnection);
    connect(m_pModifyPage, &DeviceModifyPage::signalModifyResult, m_pDisplayPage,
            &DeviceDisplayPage::onDevicesModifyResult);
    connect(m_pModifyPage, &DeviceModifyPage::signalActiveResult, m_pDisplayPage,
            &DeviceDisplayPage::onDevicesActiveResult);
    // "Forget Password": the panel has chosen the dialog and laid the cover; the dialog runs inside
    // the signal, so the cover comes off only after it closes.
    connect(m_pModifyPage, &DeviceModifyPage::signalResetPassword, this,
            [](const DeviceInfo &device, bool supportQRCode, bool supportResetIPC) {
                ResetPasswordDialog dialog(nullptr, device.strSerialNo, supportQRCode, supportResetIPC);
                dialog.exec();
            }, Qt::DirectConnection);
    connect(m_pModifyPage, &DeviceModifyPage::signalRestorePassword, this, [](const DeviceInfo &device) {
        RestorePasswordDialog dialog(nullptr, device.strSerialNo);
        dialog.exec();
    }, Qt::DirectConnection);
    connect(m_pPinButton, &aptui::PinButton::pinButtonClicked, this, &TARNToolMainPage::onMovePinButtion);
    connect(m_pPinButton, &aptui::PinButton::pinButtonClicked, this, &TARNToolMainPage::onShowOrHideRightSpace);

    m_handler->setDeviceFilterRule(apt::ConfigureManager::instance()->filter());
    if (!m_handler->start()) {
        qWarning("[Tool]Discovery could not start; the window works without devices");
        showInitializationFailed();
    }
    QString why;
    if (linkLayerReceiveMissing(&why))
        showLinkLayerNotice(why);
}

void TARNToolMainPage::showLinkLayerNotice(const QString &why)
{
    const QString fix = linkLayerFixCommand(QCoreApplication::applicationFilePath());
    qWarning("[Tool]Link-layer receive is not permitted (%s): devices in other subnets may be missed. Fix: %s",
             qUtf8Printable(why), qUtf8Printable(fix));
    // Between the title and the pages, for as long as the window is open: a box would be closed
    // and forgotten before the first device is missed.
    m_pLinkLayerNotice = new QLabel(this);
    m_pLinkLayerNotice->setObjectName(QStringLiteral("m_labelLinkLayerNotice"));
    m_pLinkLayerNotice->setWordWrap(true);
    m_pLinkLayerNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pLinkLayerNotice->setText(tr("Devices in other subnets than this computer's, such as new cameras at their "
                                   "factory address, may be missing from the list: this program is not permitted to "
                                   "receive at the link layer (%1). To fix it, run once: %2")
                                    .arg(why, fix));
    ui->verticalLayout->insertWidget(ui->verticalLayout->indexOf(m_pWindowTitle) + 1, m_pLinkLayerNotice);
}

TARNToolMainPage::~TARNToolMainPage()
{
    // The device queue takes the handler's signals on the library's thread: discovery ends
    // before the queue goes.
    m_handler->stop();
    disconnect(m_handler, nullptr, m_pDeviceEvents, nullptr);
    delete m_pAboutAction;
    delete ui;
}

void TARNToolMainPage::showInitializationFailed()
{
    aptui::BaseDialog dialog(false, false, false, false, true, false, false);
    aptui::setUpHintBox(dialog, QSize(400, 256), tr("Hint"), tr("Initialization failed."), false);
    dialog.exec();
}

QSize TARNToolMainPage::startSize(const QRect &workArea, bool *moveToOrigin)
{
    const bool low = workArea.height() < 768;
    if (moveToOrigin)
        *moveToOrigin = low;
    if (low)
        return workArea.size();
    return QSize(workArea.width() * 768 / workArea.height(), 768);
}

void TARNToolMainPage::onMovePinButtion()
{
    if (!m_pModifyPage || !m_pPinButton)
        return;
    const int t = m_pWindowTitle->height();
    const int h = height();
    m_pPinBorder->setFixedSize(20, h - t);
    m_pPinButton->setFixedSize(20, 80);
    const int y = int(h * 0.3 - 20);
    // Whether the panel is folded, not whether it is on screen yet: the first placing happens
    // before the window is shown.
    if (!m_pModifyPage->isHidden()) {
        const int x = width() - m_pPinBorder->width() - m_pModifyPage->width();
        m_pPinBorder->move(x + 1, t);
        m_pPinButton->move(x + 1, y);
        m_pPinButton->setObjectName(QStringLiteral("m_pUnSpreadButton"));
    } else {
        const int x = width() - m_pPinBorder->width() - 11;
        m_pPinButton->move(x, y);
        m_pPinBorder->move(x, t);
        m_pPinButton->setObjectName(QStringLiteral("m_pSpreadButton"));
    }
    // The style sheet selects on the object name: a changed name takes effect only when
    // re-polished.
    m_pPinButton->style()->unpolish(m_pPinButton);
    m_pPinButton->style()->polish(m_pPinButton);
}

void TARNToolMainPage::onShowOrHideRightSpace()
{
    m_pRightSpace->setVisible(m_pModifyPage->isHidden());
}

void TARNToolMainPage::OnBtnSystemMenu()
{
    m_pMenu->popup(QCursor::pos() - QPoint(195, 0));
}

void TARNToolMainPage::setCover(bool coverIt)
{
    if (coverIt) {
        m_pCover->setVisible(true);
        m_pCover->move(0, 0);
        m_pCover->raise();
    } else {
        m_pCover->setVisible(false);
        m_pCover->lower();
    }
    m_bCovered = coverIt;
}

void TARNToolMainPage::enableCover()
{
    setCover(true);
}

void TARNToolMainPage::disableCover()
{
    setCover(false);
}

void TARNToolMainPage::resizeEvent(QResizeEvent *event)
{
    m_pCover->resize(event->size());
    if (m_bCovered)
        m_pCover->move(0, 0);
    onMovePinButtion();
    QMainWindow::resizeEvent(event);
}

void TARNToolMainPage::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1)
        emit signalGetHelp();
}

void TARNToolMainPage::closeEvent(QCloseEvent *event)
{
    TipDialog dialog(nullptr);
    dialog.resize(350, 220);
    dialog.setTitle(tr("Exit"));
    dialog.setTipText(tr("Exit the TARN software?"));
    enableCover();
    if (dialog.exec() == QDialog::Accepted) {
        event->accept();
        return;
    }
    disableCover();
    event->ignore();
}

} // namespace TarnTool
