#include "configpanel/devicemodifypage.h"

#include <cstring>

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "aptui/coverwidget.h"
#include "aptui/fieldlabels.h"
#include "aptui/multistatelineedit.h"
#include "aptui/passwordlevel.h"
#include "aptui/warningdialog.h"
#include "common/addressplan.h"
#include "common/netparamcheck.h"
#include "common/passwordrule.h"
#include "common/secretbytes.h"
#include "config/configuremanager.h"
#include "configpanel/deviceactivepage.h"
#include "configpanel/devicemodifyresultpage.h"
#include "configpanel/devicenetparapage.h"
#include "configpanel/panelwidgets.h"
#include "devicelist/devicestore.h"
#include "recovery/recoverysteps.h"
#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"
#include "discovery/tarnhandler.h"
#include "toolkit/guitext.h"

namespace TarnTool {

using namespace panelwidgets;

namespace {

const char kGreyBar[] = ":/CommonSkin/Password/Images/Public/Control/Password/grey.png";

// Writes what a device took into the store. Under DHCP the addresses sent were the old ones and
// the device takes a lease: the store keeps what the device last announced rather than going back.
void storeTaken(const DeviceInfo &device, TARN_NETWORK_PARAMS params)
{
    DeviceStore *store = DeviceStore::instance();
    QPX_Guard guard(store->mutex());
    if (params.dhcpEnabled == 1) {
        TARN_NETWORK_PARAMS current;
        std::memset(&current, 0, sizeof current);
        if (store->getNetParam(device.strSerialNo, device.strMAC, &current)) {
            std::memcpy(params.ipv4Address, current.ipv4Address, sizeof params.ipv4Address);
            std::memcpy(params.ipv4SubnetMask, current.ipv4SubnetMask, sizeof params.ipv4SubnetMask);
            std::memcpy(params.ipv4Gateway, current.ipv4Gateway, sizeof params.ipv4Gateway);
        }
    }
    store->setNetParam(device.strSerialNo, device.strMAC, params);
}

} // namespace

DeviceModifyPage::DeviceModifyPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DeviceModifyPage"));
    // A column of fixed width: the main window places the fold pin by it, also before its layout
    // has run.
    setFixedWidth(380);
    buildWidgets();
    retranslate();

    m_activePage = new DeviceActivePage(m_stackedWidget);
    m_netParaPage = new DeviceNetParaPage(m_stackedWidget);
    m_stackedWidget->addWidget(m_netParaPage);
    m_stackedWidget->addWidget(m_activePage);
    m_stackedWidget->setCurrentIndex(0);
    // The stack takes the height of the page it shows, so the forms below follow it closely.
    connect(m_stackedWidget, &QStackedWidget::currentChanged, this, [this](int current) {
        for (int i = 0; i < m_stackedWidget->count(); ++i)
            m_stackedWidget->widget(i)->setSizePolicy(QSizePolicy::Preferred,
                                                      i == current ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    });
    m_activePage->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);

    showView(NoSelectionView);

    connect(m_btnModify, &QPushButton::clicked, this, &DeviceModifyPage::onModifyNetParas);
    connect(m_btnActive, &QPushButton::clicked, this, &DeviceModifyPage::onActiveDevices);
    connect(m_btnLostPassword, &QPushButton::clicked, this, &DeviceModifyPage::onForgetPassword);
    connect(m_btnStopBatch, &QPushButton::clicked, this, &DeviceModifyPage::onStopBatch);
    connect(m_lineEditNewPassword, &QLineEdit::textChanged, this, &DeviceModifyPage::onNewPasswordTextChanged);
    connect(m_netParaPage, &DeviceNetParaPage::signalDhcpStateChanged, this, &DeviceModifyPage::onDhcpStateChanged);
    connect(m_netParaPage, &DeviceNetParaPage::signalBatchDhcpStateChanged, this,
            &DeviceModifyPage::onBatchDhcpStateChanged);
    aptui::connectCoverSlots(this, parent);

    for (aptui::MultiStateLineEdit *edit : {m_lineEditAdminPassword, m_lineEditConfirmPassword, m_lineEditNewPassword}) {
        edit->installEventFilter(this);
        edit->setMaxLength(16);
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setEchoMode(QLineEdit::Password);
        // Dropping text in is pasting by another name.
        edit->setAcceptDrops(false);
    }
    aptui::linkFieldLabels(this);
    aptui::tiePasswordLevel(m_lineEditNewPassword, m_labelLevel1, m_labelLevel2, m_labelLevel3, m_labelLevel);
}

DeviceModifyPage::~DeviceModifyPage() = default;

void DeviceModifyPage::buildWidgets()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    m_widgetModifyPage = new QWidget(this);
    m_widgetModifyPage->setObjectName(QStringLiteral("m_widgetModifyPage"));
    auto *page = new QVBoxLayout(m_widgetModifyPage);
    page->setContentsMargins(0, 0, 0, 12);
    page->setSpacing(6);
    m_stackedWidget = new QStackedWidget(m_widgetModifyPage);
    m_stackedWidget->setObjectName(QStringLiteral("m_stackedWidget"));
    m_stackedWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    page->addWidget(m_stackedWidget);

    m_frameActive = new QFrame(m_widgetModifyPage);
    m_frameActive->setObjectName(QStringLiteral("m_frameActive"));
    auto *active = new QGridLayout(m_frameActive);
    active->setContentsMargins(16, 0, 16, 0);
    active->setHorizontalSpacing(6);
    active->setVerticalSpacing(8);
    active->setColumnMinimumWidth(0, 130);
    m_labelNewPassword = makeLabel(m_frameActive, "m_labelNewPassword");
    m_lineEditNewPassword = new aptui::MultiStateLineEdit(m_frameActive);
    m_lineEditNewPassword->setObjectName(QStringLiteral("m_lineEditNewPassword"));
    m_labelHintNewPassword = makeHint(m_frameActive, "m_labelHintNewPassword");
    active->addWidget(m_labelNewPassword, 0, 0);
    active->addWidget(m_lineEditNewPassword, 0, 1);
    active->addWidget(m_labelHintNewPassword, 0, 2);
    // The strength row: the level word under the caption, the three bars under the field.
    auto *levelRow = new QHBoxLayout;
    levelRow->setSpacing(4);
    m_labelLevel = makeLabel(m_frameActive, "m_labelLevel");
    m_labelLevel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_labelLevel1 = makeLabel(m_frameActive, "m_labelLevel1");
    m_labelLevel2 = makeLabel(m_frameActive, "m_labelLevel2");
    m_labelLevel3 = makeLabel(m_frameActive, "m_labelLevel3");
    for (QLabel *bar : {m_labelLevel1, m_labelLevel2, m_labelLevel3}) {
        bar->setFixedWidth(65);
        bar->setAlignment(Qt::AlignCenter);
        levelRow->addWidget(bar);
    }
    m_labelHintLevel = makeHint(m_frameActive, "m_labelHintLevel");
    levelRow->addWidget(m_labelHintLevel);
    levelRow->addStretch();
    active->addWidget(m_labelLevel, 1, 0);
    active->addLayout(levelRow, 1, 1, 1, 2);
    m_labelConfirmPasswoed = makeLabel(m_frameActive, "m_labelConfirmPasswoed");
    m_lineEditConfirmPassword = new aptui::MultiStateLineEdit(m_frameActive);
    m_lineEditConfirmPassword->setObjectName(QStringLiteral("m_lineEditConfirmPassword"));
    m_labelHintConfirmPassword = makeHint(m_frameActive, "m_labelHintConfirmPassword");
    active->addWidget(m_labelConfirmPasswoed, 2, 0);
    active->addWidget(m_lineEditConfirmPassword, 2, 1);
    active->addWidget(m_labelHintConfirmPassword, 2, 2);
    m_btnActive = makeButton(m_frameActive, "m_btnActive");
    m_btnActive->setMinimumHeight(30);
    active->addWidget(m_btnActive, 3, 1);
    page->addWidget(m_frameActive);

    m_frameModifyPara = new QFrame(m_widgetModifyPage);
    m_frameModifyPara->setObjectName(QStringLiteral("m_frameModifyPara"));
    auto *modify = new QGridLayout(m_frameModifyPara);
    modify->setContentsMargins(16, 0, 16, 0);
    modify->setHorizontalSpacing(6);
    modify->setVerticalSpacing(8);
    modify->setColumnMinimumWidth(0, 130);
    m_labelAdminPassword = makeLabel(m_frameModifyPara, "m_labelAdminPassword");
    m_lineEditAdminPassword = new aptui::MultiStateLineEdit(m_frameModifyPara);
    m_lineEditAdminPassword->setObjectName(QStringLiteral("m_lineEditAdminPassword"));
    m_labelHintAdimaPassword = makeHint(m_frameModifyPara, "m_labelHintAdimaPassword");
    modify->addWidget(m_labelAdminPassword, 0, 0);
    modify->addWidget(m_lineEditAdminPassword, 0, 1);
    modify->addWidget(m_labelHintAdimaPassword, 0, 2);
    m_btnModify = makeButton(m_frameModifyPara, "m_btnModify");
    m_btnModify->setMinimumHeight(30);
    modify->addWidget(m_btnModify, 1, 1);
    m_btnLostPassword = makeButton(m_frameModifyPara, "m_btnLostPassword");
    m_btnLostPassword->setFlat(true);
    m_btnLostPassword->setCursor(Qt::PointingHandCursor);
    modify->addWidget(m_btnLostPassword, 2, 1, Qt::AlignRight);
    page->addWidget(m_frameModifyPara);
    page->addStretch(1);
    root->addWidget(m_widgetModifyPage, 1);

    m_widgetProgress = new QWidget(this);
    m_widgetProgress->setObjectName(QStringLiteral("m_widgetProgress"));
    auto *progress = new QHBoxLayout(m_widgetProgress);
    progress->setContentsMargins(16, 6, 16, 10);
    m_labelProgress = makeLabel(m_widgetProgress, "m_labelProgress");
    m_labelProgress->setWordWrap(true);
    m_btnStopBatch = makeButton(m_widgetProgress, "m_btnStopBatch");
    progress->addWidget(m_labelProgress, 1);
    progress->addWidget(m_btnStopBatch);
    m_widgetProgress->hide();
    root->addWidget(m_widgetProgress);
}

void DeviceModifyPage::retranslate()
{
    m_labelNewPassword->setText(tr("New Password:"));
    m_labelConfirmPasswoed->setText(tr("Confirm Password:"));
    m_btnActive->setText(tr("Active"));
    m_labelAdminPassword->setText(tr("Admin Password:"));
    m_btnModify->setText(tr("Modify"));
    m_btnLostPassword->setText(tr("Forget Password"));
    m_btnStopBatch->setText(tr("Stop"));
}

void DeviceModifyPage::setDiscoveryHandler(TARN::TarnHandler *handler)
{
    if (m_busy)
        return;
    m_handler = handler;
    delete m_runner;
    m_runner = nullptr;
}

void DeviceModifyPage::setResolveTimeout(int ms)
{
    m_resolveMs = ms;
    if (m_runner)
        m_runner->setResolveTimeout(ms);
}

TARN::TarnHandler *DeviceModifyPage::handler() const
{
    return m_handler ? m_handler : TARN::TarnHandler::instance();
}

QPoint DeviceModifyPage::popupPosition() const
{
    const QPoint global = parentWidget() ? parentWidget()->mapToGlobal(pos()) : pos();
    return QPoint(global.x() + width() / 2 - 155, global.y() + height() / 2 - 60);
}

void DeviceModifyPage::warn(int kind, const QString &text, aptui::MultiStateLineEdit *edit, QLabel *hint)
{
    WarningDialog::showWarning(popupPosition(), kind, text, this, edit, hint);
}

void DeviceModifyPage::resetPasswordMarks()
{
    for (aptui::MultiStateLineEdit *edit : {m_lineEditAdminPassword, m_lineEditNewPassword, m_lineEditConfirmPassword})
        edit->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
    for (QLabel *hint : {m_labelHintAdimaPassword, m_labelHintNewPassword, m_labelHintConfirmPassword})
        hint->clear();
}

void DeviceModifyPage::showView(View view)
{
    switch (view) {
    case NoSelectionView:
    case SingleModifyView:
    case BatchModifyView:
        m_stackedWidget->setCurrentIndex(0);
        if (view == BatchModifyView) {
            m_netParaPage->showBatchLayout();
        } else {
            m_netParaPage->showSingleLayout();
            if (view == NoSelectionView)
                m_netParaPage->fillFromDevice(QString(), QString(), false, 0);
        }
        m_frameActive->hide();
        m_frameModifyPara->show();
        m_lineEditAdminPassword->clear();
        m_btnLostPassword->setVisible(view != BatchModifyView);
        if (view != BatchModifyView)
            m_btnModify->setFocus();
        m_btnModify->setEnabled(view != NoSelectionView);
        m_lineEditAdminPassword->setEnabled(view != NoSelectionView);
        m_btnLostPassword->setEnabled(view == SingleModifyView);
        resetPasswordMarks();
        break;
    case SingleActiveView:
    case BatchActiveView:
        m_stackedWidget->setCurrentIndex(1);
        if (view == SingleActiveView)
            m_activePage->setSingleActiveNotice();
        else
            m_activePage->setBatchActiveNotice();
        m_frameActive->show();
        m_frameModifyPara->hide();
        m_lineEditNewPassword->clear();
        m_lineEditConfirmPassword->clear();
        for (QLabel *bar : {m_labelLevel1, m_labelLevel2, m_labelLevel3})
            bar->setPixmap(QPixmap(QLatin1String(kGreyBar)));
        resetPasswordMarks();
        break;
    case MixedView:
        m_stackedWidget->setCurrentIndex(1);
        m_activePage->setMixedBatchNotice();
        m_frameActive->hide();
        m_frameModifyPara->hide();
        break;
    }
}

void DeviceModifyPage::onCurrentSelectionChange(ModifyPage modifyPageType, QVector<DeviceInfo> struDeviceInfo)
{
    if (m_busy) {
        // The running operation writes its results into its own copy; the new selection waits.
        m_selectionPending = true;
        m_pendingMode = modifyPageType;
        m_pendingSelection = struDeviceInfo;
        return;
    }
    m_vecDeviceInfo = struDeviceInfo;
    m_mode = modifyPageType;
    if (m_vecDeviceInfo.isEmpty()) {
        showView(NoSelectionView);
        return;
    }
    m_netParaPage->enableAll();
    const DeviceInfo &first = m_vecDeviceInfo.first();
    switch (modifyPageType) {
    case MODIFY_SINGLE: {
        showView(SingleModifyView);
        m_netParaPage->fillFromDevice(first.strSerialNo, first.strMAC, false, 0);
        // Password recovery goes by the maker's key or security code: ONVIF devices take neither.
        TARN_DEVICE_INFO record {};
        const bool onvif = DeviceStore::instance()->get(first.strSerialNo, first.strMAC, &record)
            && record.protocol == TARN_PROTOCOL_ONVIF;
        m_btnLostPassword->setEnabled(!onvif);
        m_btnLostPassword->setToolTip(onvif ? tr("Password recovery needs the maker's key or security code, which ONVIF "
                                                 "devices do not take: reset an ONVIF device on the device itself.")
                                            : QString());
        break;
    }
    case MODIFY_BATCH:
        showView(BatchModifyView);
        m_netParaPage->fillBatch(m_vecDeviceInfo);
        break;
    case ACTIVE_SINGLE:
        showView(SingleActiveView);
        break;
    case ACTIVE_BATCH:
        showView(BatchActiveView);
        break;
    case MIXED_BATCH:
        showView(MixedView);
        break;
    }
}

void DeviceModifyPage::onDhcpStateChanged(int iState)
{
    if (m_vecDeviceInfo.isEmpty())
        return;
    if (iState == Qt::Checked) {
        m_netParaPage->applyDhcp();
    } else {
        const DeviceInfo &first = m_vecDeviceInfo.first();
        m_netParaPage->fillFromDevice(first.strSerialNo, first.strMAC, true, 0);
    }
}

void DeviceModifyPage::onBatchDhcpStateChanged(int iState)
{
    m_netParaPage->setBatchAddressEditable(iState != Qt::Checked);
}

void DeviceModifyPage::onNewPasswordTextChanged(const QString &strNewPassword)
{
    const int level = passwordLevelOfText(strNewPassword);
    const QString word = level == 1 ? tr("Weak") : level == 2 ? tr("Medium") : level == 3 ? tr("Strong") : QString();
    aptui::paintPasswordLevel(level, m_labelLevel1, m_labelLevel2, m_labelLevel3, m_labelLevel, word);
}

bool DeviceModifyPage::passwordBytes(aptui::MultiStateLineEdit *edit, QLabel *hint, QByteArray *out)
{
    bool ok = true;
    *out = OrvoGUIToolkit::ConvertFromUnicode(edit->text(), nullptr, &ok);
    if (ok)
        return true;
    // Sending a substitute byte would give the device a password nobody typed.
    wipeSecret(*out);
    warn(WarningDialog::WarnError, tr("The password holds a character that cannot be sent to the device."), edit, hint);
    return false;
}

QVector<TARN::StepResult> DeviceModifyPage::runSteps(const QVector<TARN::BatchStep> &steps)
{
    if (!m_runner) {
        m_runner = new TARN::BatchRunner(handler(), this);
        m_runner->setResolveTimeout(m_resolveMs);
        connect(m_runner, &TARN::BatchRunner::progress, this, [this](int position, int total, const QString &address) {
            m_progressAddress = address;
            m_labelProgress->setText(tr("%1 of %2 done: %3").arg(m_progressDone).arg(total).arg(address));
            emit signalProgress(position, total, address);
        });
        connect(m_runner, &TARN::BatchRunner::counted, this, [this](int done, int total) {
            m_progressDone = done;
            m_labelProgress->setText(tr("%1 of %2 done: %3").arg(done).arg(total).arg(m_progressAddress));
        });
    }
    m_runner->setParallelism(TARN::BatchRunner::parallelismOf(apt::ConfigureManager::instance()->taskThread()));
    m_progressDone = 0;
    m_busy = true;
    m_widgetModifyPage->setEnabled(false);
    m_btnStopBatch->setEnabled(true);
    m_btnStopBatch->setVisible(steps.size() > 1);
    m_widgetProgress->show();
    const QVector<TARN::StepResult> results = m_runner->run(steps);
    m_widgetProgress->hide();
    m_widgetModifyPage->setEnabled(true);
    m_busy = false;
    return results;
}

void DeviceModifyPage::finishOperation()
{
    if (!m_selectionPending)
        return;
    m_selectionPending = false;
    const QVector<DeviceInfo> selection = m_pendingSelection;
    m_pendingSelection.clear();
    onCurrentSelectionChange(m_pendingMode, selection);
}

void DeviceModifyPage::onStopBatch()
{
    if (m_runner && m_busy) {
        m_runner->stop();
        m_btnStopBatch->setEnabled(false);
        m_labelProgress->setText(m_labelProgress->text() + QLatin1Char(' ')
                                 + tr("(stopping once the devices being worked on have answered)"));
    }
}

QString DeviceModifyPage::singleErrorText(int code) const
{
    if (code == TARN_ERR_DENIED)
        return tr("Device deny.");
    if (code == TARN_ERR_TIMEOUT)
        return tr("Time out.");
    return tr("Error%1:others").arg(code);
}

QString DeviceModifyPage::refusedValuesText(int code, const TARN_NETWORK_PARAMS &sent) const
{
    QStringList values;
    if (sent.dhcpEnabled == 1) {
        values << tr("DHCP");
    } else {
        values << tr("address %1").arg(TARN::fieldText(sent.ipv4Address))
               << tr("mask %1").arg(TARN::fieldText(sent.ipv4SubnetMask))
               << tr("gateway %1").arg(TARN::fieldText(sent.ipv4Gateway));
    }
    if (sent.port != 0)
        values << tr("port %1").arg(sent.port);
    if (sent.httpPort != 0)
        values << tr("HTTP port %1").arg(sent.httpPort);
    if (!TARN::fieldText(sent.ipv6Address).isEmpty())
        values << tr("IPv6 %1/%2").arg(TARN::fieldText(sent.ipv6Address)).arg(sent.ipv6PrefixLength)
               << tr("IPv6 gateway %1").arg(TARN::fieldText(sent.ipv6Gateway));
    return tr("Error%1:the device refused these values: %2").arg(code).arg(values.join(QStringLiteral(", ")));
}

QString DeviceModifyPage::batchModifyText(const TARN::StepResult &result, const TARN_NETWORK_PARAMS &sent) const
{
    switch (result.outcome) {
    case TARN::StepResult::Done:
    case TARN::StepResult::Unchanged:
        return tr("Succeed");
    case TARN::StepResult::NotRun:
        return tr("Not changed: the batch was stopped");
    case TARN::StepResult::Unknown:
        return tr("Error%1:no answer, result unknown").arg(result.error);
    case TARN::StepResult::Failed:
        break;
    }
    if (!result.reason.isEmpty())
        return tr("Not changed: %1").arg(result.reason);
    if (result.error == TARN_ERR_DENIED)
        return tr("Error%1:device deny").arg(result.error);
    if (result.error == TARN_ERR_TIMEOUT)
        return tr("Error%1:time out").arg(result.error);
    if (result.error == TARN_ERR_INVALID_PARAM)
        return refusedValuesText(result.error, sent);
    return tr("Error%1:others").arg(result.error);
}

QString DeviceModifyPage::batchActivateText(const TARN::StepResult &result) const
{
    switch (result.outcome) {
    case TARN::StepResult::Done:
    case TARN::StepResult::Unchanged:
        return tr("Succeed");
    case TARN::StepResult::NotRun:
        return tr("Not activated: the batch was stopped");
    case TARN::StepResult::Unknown:
        return tr("Error%1:no answer, result unknown").arg(result.error);
    case TARN::StepResult::Failed:
        break;
    }
    if (result.error == TARN_ERR_DENIED)
        return tr("Error%1:Device deny.").arg(result.error);
    if (result.error == TARN_ERR_ALREADY_ACTIVATED)
        return tr("Error%1:reactive").arg(result.error);
    return tr("Error%1:others").arg(result.error);
}

void DeviceModifyPage::onModifyNetParas()
{
    if (m_busy)
        return;
    if (m_vecDeviceInfo.isEmpty()) {
        warn(WarningDialog::WarnError, tr("Sorry, please select the equipment."));
        return;
    }
    if (m_lineEditAdminPassword->text().isEmpty()) {
        warn(WarningDialog::WarnError, tr("Sorry, please enter the administrator password."), m_lineEditAdminPassword,
             m_labelHintAdimaPassword);
        return;
    }
    if (m_vecDeviceInfo.size() == 1) {
        if (m_netParaPage->checkSingleForm(popupPosition()))
            modifySingle();
    } else if (m_netParaPage->checkBatchForm(popupPosition())) {
        modifyBatch();
    }
}

void DeviceModifyPage::modifySingle()
{
    QByteArray password;
    if (!passwordBytes(m_lineEditAdminPassword, m_labelHintAdimaPassword, &password))
        return;
    QVector<DeviceInfo> devices = m_vecDeviceInfo;
    DeviceInfo &first = devices.first();
    TARN_NETWORK_PARAMS params;
    m_netParaPage->fillNetParams(params);
    const QString address = params.dhcpEnabled ? first.strIPv4 : TARN::fieldText(params.ipv4Address);
    const TARN::StepResult result = runSteps({TARN::modifyStep(first.strMAC, address, password, params)}).first();
    wipeSecret(password);

    if (result.outcome == TARN::StepResult::Done) {
        storeTaken(first, params);
        first.strResult = tr("Succeed");
        if (!params.dhcpEnabled)
            first.strIPv4 = address;
        m_vecDeviceInfo = devices;
        emit signalModifyResult(devices);
        warn(WarningDialog::WarnOk, tr("Modify network parameters succeed."));
    } else if (result.outcome == TARN::StepResult::Unknown) {
        warn(WarningDialog::WarnError,
             tr("Time out. The device has not announced whether it took the change; refresh the list to see its "
                "current values."));
    } else {
        const QString text = result.error == TARN_ERR_INVALID_PARAM ? refusedValuesText(result.error, params)
                                                                    : singleErrorText(result.error);
        if (result.error != TARN_ERR_DENIED && result.error != TARN_ERR_TIMEOUT) {
            first.strResult = text;
            m_vecDeviceInfo = devices;
        }
        warn(WarningDialog::WarnError, text);
    }
    finishOperation();
}

void DeviceModifyPage::modifyBatch()
{
    QByteArray password;
    if (!passwordBytes(m_lineEditAdminPassword, m_labelHintAdimaPassword, &password))
        return;
    QString startIp, mask, gateway;
    int port = 0, httpPort = 0;
    m_netParaPage->readBatchFields(startIp, mask, gateway, port, httpPort);
    const bool isStatic = m_netParaPage->isBatchStaticAddress();
    QVector<DeviceInfo> devices = m_vecDeviceInfo;
    const int n = devices.size();

    // Every address is planned, and the whole batch refused if they do not fit, before anything
    // is sent: a half-done batch of clashing addresses is worse than none.
    QStringList addresses;
    QSet<QString> batch;  // the devices' canonical MACs
    if (isStatic) {
        if (!m_netParaPage->isBatchAddressEnabled()) {
            wipeSecret(password);
            warn(WarningDialog::WarnError,
                 tr("These devices cannot be given addresses from a start address. Check Enable DHCP, or modify "
                    "them one at a time."));
            return;
        }
        const AddressPlan plan = AddressPlan::make(startIp, mask, gateway, n);
        if (!plan.ok()) {
            wipeSecret(password);
            WarningDialog::showLongWarning(popupPosition(), WarningDialog::WarnError, plan.message(n), this);
            return;
        }
        addresses = plan.addresses();
        // Two devices at one address are worse than a refused batch: no address a device outside the
        // batch holds is handed out.
        for (const DeviceInfo &device : qAsConst(devices))
            batch.insert(QString::fromStdString(tarn::canonicalMac(device.strMAC.toStdString())));
        const QVector<TARN_DEVICE_INFO> visible = DeviceStore::instance()->records();
        for (const QString &address : qAsConst(addresses)) {
            const int holder = TARN::addressHolder(visible, address, batch);
            if (holder >= 0) {
                wipeSecret(password);
                WarningDialog::showLongWarning(
                    popupPosition(), WarningDialog::WarnError,
                    tr("The address %1 is held by the device %2, which is not in this batch. Choose another start "
                       "address.")
                        .arg(address, TARN::serialOf(visible.at(holder))),
                    this);
                return;
            }
        }
        // An empty gateway field keeps each device's own, which must then lie in its new subnet.
        for (int j = 0; gateway.isEmpty() && j < n; ++j) {
            TARN_DEVICE_INFO record;
            std::memset(&record, 0, sizeof record);
            DeviceStore::instance()->get(devices.at(j).strSerialNo, devices.at(j).strMAC, &record);
            const QString own = TARN::fieldText(record.ipv4Gateway);
            if (!NetParamCheck::gatewayInSubnet(addresses.at(j), mask, own).isEmpty()) {
                wipeSecret(password);
                WarningDialog::showLongWarning(
                    popupPosition(), WarningDialog::WarnError,
                    tr("The device %1 would keep its gateway %2, which is not in the subnet %3. Enter a gateway for "
                       "the batch.")
                        .arg(devices.at(j).strSerialNo, own, AddressPlan::subnetOf(addresses.at(j), mask)),
                    this);
                return;
            }
        }
    }

    QVector<TARN::BatchStep> steps;
    QVector<TARN_NETWORK_PARAMS> sent(n);
    for (int j = 0; j < n; ++j) {
        const DeviceInfo &device = devices.at(j);
        TARN_NETWORK_PARAMS &params = sent[j];
        std::memset(&params, 0, sizeof params);
        DeviceStore::instance()->getNetParam(device.strSerialNo, device.strMAC, &params);
        if (isStatic) {
            TARN::setFieldText(params.ipv4Address, addresses.at(j));
            TARN::setFieldText(params.ipv4SubnetMask, mask);
            // A disabled, empty gateway field keeps the device's own gateway rather than sending none.
            if (!gateway.isEmpty())
                TARN::setFieldText(params.ipv4Gateway, gateway);
        }
        if (port != 0)
            params.port = quint16(port);
        if (httpPort != 0)
            params.httpPort = quint16(httpPort);
        params.dhcpEnabled = isStatic ? 0 : 1;
        TARN::BatchStep step = TARN::modifyStep(device.strMAC, isStatic ? addresses.at(j) : device.strIPv4, password,
                                                params);
        // A device outside the batch may have taken the address since the plan was made.
        if (isStatic)
            step.blocked = [address = addresses.at(j), batch] {
                const QVector<TARN_DEVICE_INFO> visible = DeviceStore::instance()->records();
                const int holder = TARN::addressHolder(visible, address, batch);
                return holder < 0 ? QString()
                                  : tr("the address %1 is held now by the device %2")
                                        .arg(address, TARN::serialOf(visible.at(holder)));
            };
        steps << step;
    }
    const QVector<TARN::StepResult> results = runSteps(steps);
    wipeSecret(password);

    for (int j = 0; j < n; ++j) {
        DeviceInfo &device = devices[j];
        device.strResult = batchModifyText(results.at(j), sent.at(j));
        if (results.at(j).outcome != TARN::StepResult::Done)
            continue;
        if (isStatic)
            device.strIPv4 = addresses.at(j);
        storeTaken(device, sent.at(j));
    }
    if (!m_selectionPending)
        m_vecDeviceInfo = devices;
    emit signalModifyResult(devices);
    showResultList(devices, false);
    finishOperation();
}

void DeviceModifyPage::onActiveDevices()
{
    if (m_busy)
        return;
    if (m_vecDeviceInfo.isEmpty()) {
        warn(WarningDialog::WarnError, tr("Please select a device."));
        return;
    }
    if (m_lineEditNewPassword->text().isEmpty()) {
        warn(WarningDialog::WarnError, tr("The password can not be empty."), m_lineEditNewPassword,
             m_labelHintNewPassword);
        return;
    }
    if (m_lineEditNewPassword->text() != m_lineEditConfirmPassword->text()) {
        warn(WarningDialog::WarnError, tr("The password you typed do not match."), m_lineEditNewPassword,
             m_labelHintNewPassword);
        return;
    }
    if (m_labelLevel->text().isEmpty()) {
        WarningDialog::showLongWarning(
            popupPosition(), WarningDialog::WarnError,
            tr("Valid password range [8-16]. You can use a combination of numbers,lowercase, uppercase and special "
               "character for your password with at least two kinds of them contained."),
            this, m_lineEditNewPassword, m_labelHintNewPassword);
        return;
    }
    QByteArray password;
    if (!passwordBytes(m_lineEditNewPassword, m_labelHintNewPassword, &password))
        return;
    if (m_vecDeviceInfo.size() == 1)
        activateSingle(password);
    else
        activateBatch(password);
    wipeSecret(password);
}

void DeviceModifyPage::activateSingle(const QByteArray &password)
{
    QVector<DeviceInfo> devices = m_vecDeviceInfo;
    DeviceInfo &first = devices.first();
    TARN::StepResult result = runSteps({TARN::activateStep(first.strSerialNo, first.strMAC, first.strIPv4, password)}).first();
    m_lineEditNewPassword->clear();
    m_lineEditConfirmPassword->clear();
    if (result.outcome == TARN::StepResult::Failed && result.error == TARN_ERR_ALREADY_ACTIVATED
        && m_unsettledActivations.contains(first.strMAC))
        result.outcome = TARN::StepResult::Done;

    if (result.outcome == TARN::StepResult::Done) {
        m_unsettledActivations.remove(first.strMAC);
        {
            QPX_Guard guard(DeviceStore::instance()->mutex());
            DeviceStore::instance()->setActivated(first.strSerialNo, first.strMAC, TARN_ACTIVATED);
        }
        first.strResult = tr("Succeed");
        if (!m_selectionPending)
            m_vecDeviceInfo = devices;
        emit signalActiveResult(devices);
        warn(WarningDialog::WarnOk, tr("Activate Succeed."));
    } else if (result.outcome == TARN::StepResult::Unknown) {
        m_unsettledActivations.insert(first.strMAC);
        warn(WarningDialog::WarnError,
             tr("Time out. The device has not announced whether it was activated; refresh the list to see its "
                "current state."));
    } else {
        const QString text = singleErrorText(result.error);
        if (result.error != TARN_ERR_DENIED && result.error != TARN_ERR_TIMEOUT) {
            first.strResult = text;
            if (!m_selectionPending)
                m_vecDeviceInfo = devices;
        }
        warn(WarningDialog::WarnError, text);
    }
    finishOperation();
}

void DeviceModifyPage::activateBatch(const QByteArray &password)
{
    QVector<DeviceInfo> devices = m_vecDeviceInfo;
    QVector<TARN::BatchStep> steps;
    for (const DeviceInfo &device : devices)
        steps << TARN::activateStep(device.strSerialNo, device.strMAC, device.strIPv4, password);
    QVector<TARN::StepResult> results = runSteps(steps);
    m_lineEditNewPassword->clear();
    m_lineEditConfirmPassword->clear();
    for (int j = 0; j < devices.size(); ++j) {
        DeviceInfo &device = devices[j];
        TARN::StepResult &result = results[j];
        if (result.outcome == TARN::StepResult::Failed && result.error == TARN_ERR_ALREADY_ACTIVATED
            && m_unsettledActivations.contains(device.strMAC))
            result.outcome = TARN::StepResult::Done;
        if (result.outcome == TARN::StepResult::Unknown)
            m_unsettledActivations.insert(device.strMAC);
        device.strResult = batchActivateText(result);
        if (result.outcome != TARN::StepResult::Done)
            continue;
        m_unsettledActivations.remove(device.strMAC);
        QPX_Guard guard(DeviceStore::instance()->mutex());
        DeviceStore::instance()->setActivated(device.strSerialNo, device.strMAC, TARN_ACTIVATED);
    }
    if (!m_selectionPending)
        m_vecDeviceInfo = devices;
    emit signalActiveResult(devices);
    showResultList(devices, true);
    finishOperation();
}

void DeviceModifyPage::showResultList(const QVector<DeviceInfo> &devices, bool activation)
{
    DeviceModifyResultPage list(nullptr);
    if (activation) {
        list.setHeaderText(4, tr("Activation"));
        list.setTotalCaption(tr("Batch activate devices"));
        list.setFailedCaption(tr("Activate fail numbers"));
    }
    list.setDeviceInfos(devices);
    emit signalCoverMainPage();
    list.exec();
    emit signalDisCoverMainPage();
}

void DeviceModifyPage::onForgetPassword()
{
    if (m_busy)
        return;
    if (m_vecDeviceInfo.isEmpty()) {
        warn(WarningDialog::WarnError, tr("Please select a device."));
        return;
    }
    const DeviceInfo first = m_vecDeviceInfo.first();
    TARN_DEVICE_INFO record;
    std::memset(&record, 0, sizeof record);
    DeviceStore::instance()->get(first.strSerialNo, first.strMAC, &record);
    emit signalCoverMainPage();
    const Recovery::Route route = Recovery::routeOf(record);
    if (route.keyReset)
        emit signalResetPassword(first, route.qrCode, route.resetIpc);
    else
        emit signalRestorePassword(first);
    emit signalDisCoverMainPage();
}

bool DeviceModifyPage::eventFilter(QObject *target, QEvent *qevent)
{
    QLabel *hint = target == m_lineEditAdminPassword     ? m_labelHintAdimaPassword
                 : target == m_lineEditConfirmPassword ? m_labelHintConfirmPassword
                 : target == m_lineEditNewPassword     ? m_labelHintNewPassword
                                                       : nullptr;
    if (hint) {
        auto *edit = static_cast<aptui::MultiStateLineEdit *>(target);
        if (qevent->type() == QEvent::MouseButtonPress) {
            hint->clear();
            edit->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
        }
        if (qevent->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(qevent);
            if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut))
                return true;
        }
        // The X11 selection pastes on a middle click: that is pasting too.
        if ((qevent->type() == QEvent::MouseButtonRelease || qevent->type() == QEvent::MouseButtonPress)
            && static_cast<QMouseEvent *>(qevent)->button() == Qt::MiddleButton)
            return true;
    }
    return QWidget::eventFilter(target, qevent);
}

} // namespace TarnTool
