#include "configpanel/devicenetparapage.h"

#include <cstring>

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "aptui/multistatelineedit.h"
#include "aptui/warningdialog.h"
#include "common/netparamcheck.h"
#include "configpanel/panelwidgets.h"
#include "devicelist/devicestore.h"
#include "discovery/devicefields.h"
#include "toolkit/ccheckbox.h"
#include "toolkit/cintvalidator.h"

namespace TarnTool {

using namespace panelwidgets;

namespace {



bool fixedAddressType(int typeCode)
{
    return typeCode >= DeviceNetParaPage::FixedAddressTypeFirst && typeCode <= DeviceNetParaPage::FixedAddressTypeLast;
}

} // namespace

DeviceNetParaPage::DeviceNetParaPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DeviceNetParaPage"));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(16, 12, 16, 4);
    root->setSpacing(8);

    auto *title = new QHBoxLayout;
    m_labelNetParaPicture = makeLabel(this, "m_labelNetParaPicture");
    m_labelNetParaPicture->setFixedSize(3, 11);
    m_labelDeviceNetPara = makeLabel(this, "m_labelDeviceNetPara");
    m_btnImportDevice = new QPushButton(this);
    m_btnImportDevice->setObjectName(QStringLiteral("m_btnImportDevice"));
    m_btnImportDevice->setIcon(
        QIcon(QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/ParamModify/icon_import.png")));
    m_btnImportDevice->hide();
    title->addWidget(m_labelNetParaPicture);
    title->addWidget(m_labelDeviceNetPara);
    title->addStretch();
    title->addWidget(m_btnImportDevice);
    root->addLayout(title);

    auto *dhcp = new QHBoxLayout;
    m_checkBoxDHCP = new OrvoGUIToolkit::CCheckBox(this);
    m_checkBoxDHCP->setObjectName(QStringLiteral("m_checkBoxDHCP"));
    m_checkBoxBatchDHCP = new OrvoGUIToolkit::CCheckBox(this);
    m_checkBoxBatchDHCP->setObjectName(QStringLiteral("m_checkBoxBatchDHCP"));
    dhcp->addWidget(m_checkBoxDHCP);
    dhcp->addWidget(m_checkBoxBatchDHCP);
    dhcp->addStretch();
    root->addLayout(dhcp);

    m_widgetStartIp = new QWidget(this);
    m_widgetStartIp->setObjectName(QStringLiteral("m_widgetStartIp"));
    auto *startBox = new QVBoxLayout(m_widgetStartIp);
    startBox->setContentsMargins(0, 0, 0, 0);
    auto *startRow = new QHBoxLayout;
    m_labelStartIp = makeLabel(m_widgetStartIp, "m_labelStartIp");
    m_labelStartIp->setFixedWidth(130);
    m_lineEditStartIp = new aptui::MultiStateLineEdit(m_widgetStartIp);
    m_lineEditStartIp->setObjectName(QStringLiteral("m_lineEditStartIp"));
    m_labelHintStartIp = makeHint(m_widgetStartIp, "m_labelHintStartIp");
    startRow->addWidget(m_labelStartIp);
    startRow->addWidget(m_lineEditStartIp);
    startRow->addWidget(m_labelHintStartIp);
    startBox->addLayout(startRow);
    m_tipWidget2 = new QWidget(m_widgetStartIp);
    m_tipWidget2->setObjectName(QStringLiteral("m_tipWidget2"));
    auto *tipBox = new QHBoxLayout(m_tipWidget2);
    tipBox->setContentsMargins(8, 4, 8, 4);
    m_lableStartIpDescription = makeLabel(m_tipWidget2, "m_lableStartIpDescription");
    m_lableStartIpDescription->setWordWrap(true);
    tipBox->addWidget(m_lableStartIpDescription);
    startBox->addWidget(m_tipWidget2);
    root->addWidget(m_widgetStartIp);

    m_WidgetItems = new QWidget(this);
    m_WidgetItems->setObjectName(QStringLiteral("m_WidgetItems"));
    auto *grid = new QGridLayout(m_WidgetItems);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(0, 130);
    m_lineEditSerialNumber = addRow(grid, 0, "m_labelSerialNumber", QString(), &m_labelSerialNumber,
                                    "m_lineEditSerialNumber", "m_labelHintDeviceSerial", &m_labelHintDeviceSerial);
    m_lineEditIpAddress = addRow(grid, 1, "m_labelIpAddress", QString(), &m_labelIpAddress, "m_lineEditIpAddress",
                                 "m_labelHintIpAddress", &m_labelHintIpAddress);
    m_lineEditPort = addRow(grid, 2, "m_labelPort", QString(), &m_labelPort, "m_lineEditPort", "m_labelHintPort",
                            &m_labelHintPort);
    m_lineEditSubnetMask = addRow(grid, 3, "m_labelSubnetMask", QString(), &m_labelSubnetMask, "m_lineEditSubnetMask",
                                  "m_labelHintSubnetMask", &m_labelHintSubnetMask);
    m_lineEditGateway = addRow(grid, 4, "m_labelGateway", QString(), &m_labelGateway, "m_lineEditGateway",
                               "m_labelHintGateway", &m_labelHintGateway);
    m_lineEditIPV6Address = addRow(grid, 5, "m_labelIPV6Address", QString(), &m_labelIPV6Address,
                                   "m_lineEditIPV6Address", "m_labelHintIPv6Address", &m_labelHintIPv6Address);
    m_lineEditIPV6Gateway = addRow(grid, 6, "m_labelIPV6Gateway", QString(), &m_labelIPV6Gateway,
                                   "m_lineEditIPV6Gateway", "m_labelHintIPv6Gateway", &m_labelHintIPv6Gateway);
    m_lineEditIPV6SubnetMaskLen = addRow(grid, 7, "m_labelIPV6SubnetMaskLen", QString(), &m_labelIPV6SubnetMaskLen,
                                         "m_lineEditIPV6SubnetMaskLen", "m_labelHintPrefixLength",
                                         &m_labelHintPrefixLength);
    m_lineEditHttpPort = addRow(grid, 8, "m_labelHttpPort", QString(), &m_labelHttpPort, "m_lineEditHttpPort",
                                "m_labelHintHttpPort", &m_labelHintHttpPort);
    root->addWidget(m_WidgetItems);
    root->addSpacing(6);

    auto *footer = new QHBoxLayout;
    m_labelGrayLine = makeLabel(this, "m_labelGrayLine");
    m_labelGrayLine->setFixedHeight(1);
    m_labelSecurity = makeLabel(this, "m_labelSecurity");
    m_labelGrayLine1 = makeLabel(this, "m_labelGrayLine1");
    m_labelGrayLine1->setFixedHeight(1);
    footer->addWidget(m_labelGrayLine, 1);
    footer->addWidget(m_labelSecurity);
    footer->addWidget(m_labelGrayLine1, 1);
    root->addLayout(footer);

    retranslate();

    m_lineEditPort->setValidator(new OrvoGUIToolkit::CIntValidator(0, 65535, m_lineEditPort));
    m_lineEditHttpPort->setValidator(new OrvoGUIToolkit::CIntValidator(0, 65535, m_lineEditHttpPort));
    m_lineEditIPV6SubnetMaskLen->setValidator(new OrvoGUIToolkit::CIntValidator(0, 127, m_lineEditIPV6SubnetMaskLen));
    for (aptui::MultiStateLineEdit *edit : {m_lineEditStartIp, m_lineEditIpAddress, m_lineEditSubnetMask, m_lineEditGateway})
        edit->setMaxLength(15);
    m_lineEditIPV6Address->setMaxLength(64);
    m_lineEditIPV6Gateway->setMaxLength(64);

    connect(m_checkBoxDHCP, &QCheckBox::stateChanged, this, &DeviceNetParaPage::signalDhcpStateChanged);
    connect(m_checkBoxBatchDHCP, &QCheckBox::stateChanged, this, &DeviceNetParaPage::signalBatchDhcpStateChanged);
    for (aptui::MultiStateLineEdit *edit : findChildren<aptui::MultiStateLineEdit *>())
        edit->installEventFilter(this);
    showSingleLayout();
}

aptui::MultiStateLineEdit *DeviceNetParaPage::addRow(QGridLayout *grid, int row, const char *labelName,
                                                     const QString &caption, QLabel **label, const char *editName,
                                                     const char *hintName, QLabel **hint)
{
    *label = makeLabel(m_WidgetItems, labelName);
    (*label)->setText(caption);
    auto *edit = new aptui::MultiStateLineEdit(m_WidgetItems);
    edit->setObjectName(QLatin1String(editName));
    *hint = makeHint(m_WidgetItems, hintName);
    grid->addWidget(*label, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(*hint, row, 2);
    return edit;
}

void DeviceNetParaPage::retranslate()
{
    m_btnImportDevice->setText(tr("Inport DevciePara"));
    m_checkBoxDHCP->setText(tr("Enable DHCP"));
    m_checkBoxBatchDHCP->setText(tr("Enable DHCP"));
    m_labelStartIp->setText(tr("StartIp:"));
    m_lableStartIpDescription->setText(tr("Please set the start Ip address,then add one"));
    m_labelSerialNumber->setText(tr("Device Serial:"));
    m_labelIpAddress->setText(tr("IP Address:"));
    m_labelPort->setText(tr("Port:"));
    m_labelSubnetMask->setText(tr("Subnet Mask:"));
    m_labelGateway->setText(tr("Gateway:"));
    m_labelIPV6Address->setText(tr("IPv6 Address:"));
    m_labelIPV6Gateway->setText(tr("IPv6 Gateway:"));
    m_labelIPV6SubnetMaskLen->setText(tr("IPv6 Prefix Length:"));
    m_labelHttpPort->setText(tr("Http Port:"));
    m_labelSecurity->setText(tr("Security Verification"));
}

void DeviceNetParaPage::showSingleLayout()
{
    m_batchLayout = false;
    m_labelDeviceNetPara->setText(tr("Modify Network parameters"));
    m_widgetStartIp->hide();
    for (QWidget *w : std::initializer_list<QWidget *> {m_labelSerialNumber, m_lineEditSerialNumber,
                                                         m_labelHintDeviceSerial, m_labelIpAddress,
                                                         m_lineEditIpAddress, m_labelHintIpAddress})
        w->show();
    m_checkBoxDHCP->show();
    m_checkBoxBatchDHCP->hide();
    clearHints();
}

void DeviceNetParaPage::showBatchLayout()
{
    m_batchLayout = true;
    m_labelDeviceNetPara->setText(tr("Batch Modify Network parameters"));
    m_widgetStartIp->show();
    for (QWidget *w : std::initializer_list<QWidget *> {m_labelSerialNumber, m_lineEditSerialNumber,
                                                         m_labelHintDeviceSerial, m_labelIpAddress,
                                                         m_lineEditIpAddress, m_labelHintIpAddress})
        w->hide();
    m_checkBoxDHCP->hide();
    m_checkBoxBatchDHCP->show();
    m_checkBoxBatchDHCP->setChecked(false);
    clearHints();
}

void DeviceNetParaPage::enableAll()
{
    for (QWidget *w : std::initializer_list<QWidget *> {m_lineEditSerialNumber, m_lineEditIpAddress, m_lineEditPort,
                                                         m_lineEditSubnetMask, m_lineEditGateway, m_lineEditHttpPort,
                                                         m_lineEditIPV6Address, m_lineEditIPV6Gateway,
                                                         m_lineEditIPV6SubnetMaskLen, m_checkBoxDHCP})
        w->setEnabled(true);
}

void DeviceNetParaPage::clearAndDisable()
{
    for (aptui::MultiStateLineEdit *edit : {m_lineEditSerialNumber, m_lineEditIpAddress, m_lineEditPort,
                                            m_lineEditSubnetMask, m_lineEditGateway, m_lineEditIPV6Address,
                                            m_lineEditIPV6Gateway, m_lineEditIPV6SubnetMaskLen, m_lineEditHttpPort}) {
        edit->clear();
        edit->setEnabled(false);
    }
    m_lineEditSerialNumber->setReadOnly(true);
    // Unchecking must not reach the panel as a DHCP change: there is no device to reload.
    const bool blocked = m_checkBoxDHCP->blockSignals(true);
    m_checkBoxDHCP->setChecked(false);
    m_checkBoxDHCP->blockSignals(blocked);
    m_checkBoxDHCP->setEnabled(false);
    clearHints();
}

void DeviceNetParaPage::setIpv6Enabled(bool enabled)
{
    m_lineEditIPV6Address->setEnabled(enabled);
    m_lineEditIPV6Gateway->setEnabled(enabled);
    m_lineEditIPV6SubnetMaskLen->setEnabled(enabled);
}

void DeviceNetParaPage::fillFromDevice(const QString &serial, const QString &mac, bool fromDhcpToggle, int dhcpTarget)
{
    if (serial.isEmpty() && mac.isEmpty()) {
        clearAndDisable();
        return;
    }
    TARN_NETWORK_PARAMS params;
    TARN_DEVICE_INFO device;
    std::memset(&params, 0, sizeof params);
    std::memset(&device, 0, sizeof device);
    DeviceStore *store = DeviceStore::instance();
    store->getNetParam(serial, mac, &params);
    store->get(serial, mac, &device);

    m_lineEditSerialNumber->setText(serial);
    m_lineEditSerialNumber->setReadOnly(true);
    m_lineEditSerialNumber->setCursorPosition(0);
    m_lineEditIpAddress->setText(TARN::fieldText(params.ipv4Address));
    m_lineEditSubnetMask->setText(TARN::fieldText(params.ipv4SubnetMask));
    m_lineEditGateway->setText(TARN::fieldText(params.ipv4Gateway));
    for (QWidget *w : std::initializer_list<QWidget *> {m_lineEditIpAddress, m_lineEditSubnetMask, m_lineEditGateway,
                                                         m_lineEditPort})
        w->setEnabled(true);
    m_lineEditPort->setText(QString::number(params.port));
    const QString http = QString::number(params.httpPort);
    m_lineEditHttpPort->setText(http);
    m_lineEditHttpPort->setEnabled(http != QLatin1String("0"));

    if (device.ipv6Valid == 1) {
        m_lineEditIPV6Address->setText(TARN::fieldText(params.ipv6Address));
        m_lineEditIPV6Gateway->setText(TARN::fieldText(params.ipv6Gateway));
        m_lineEditIPV6SubnetMaskLen->setText(QString::number(params.ipv6PrefixLength));
        setIpv6Enabled(device.capabilityFlags & TARN_CAP_MODIFY_IPV6);
    } else if (device.ipv6Valid == 0) {
        m_lineEditIPV6Address->clear();
        m_lineEditIPV6Gateway->clear();
        m_lineEditIPV6SubnetMaskLen->clear();
        setIpv6Enabled(false);
    }

    // The box changes below must not come back as the user's DHCP toggle.
    const bool blocked = m_checkBoxDHCP->blockSignals(true);
    if (!(device.capabilityFlags & TARN_CAP_DHCP)) {
        m_checkBoxDHCP->setChecked(false);
        m_checkBoxDHCP->setEnabled(false);
        m_lineEditIpAddress->setFocus();
    } else {
        m_checkBoxDHCP->setEnabled(true);
        // The record says 1 for DHCP on, and so does the target of a toggle.
        const int target = fromDhcpToggle ? dhcpTarget : device.dhcpEnabled;
        if (target == 1) {
            m_checkBoxDHCP->setChecked(true);
            applyDhcp();
            m_lineEditPort->setFocus();
        } else if (target == 0) {
            m_checkBoxDHCP->setChecked(false);
            m_lineEditIpAddress->setFocus();
        }
    }
    m_checkBoxDHCP->blockSignals(blocked);
    // ONVIF devices have no device port to set.
    if (device.protocol == TARN_PROTOCOL_ONVIF) {
        m_lineEditPort->clear();
        m_lineEditPort->setEnabled(false);
    }
    m_lineEditPort->setToolTip(device.protocol == TARN_PROTOCOL_ONVIF ? tr("ONVIF devices have no device port.")
                                                                      : QString());
}

void DeviceNetParaPage::fillBatch(const QVector<DeviceInfo> &devices)
{
    DeviceStore *store = DeviceStore::instance();
    TARN_DEVICE_INFO first;
    std::memset(&first, 0, sizeof first);
    if (!devices.isEmpty())
        store->get(devices.first().strSerialNo, devices.first().strMAC, &first);
    bool addressFlag = false, samePort = true, httpFlag = true, sameHttp = true, sameGateway = true;
    for (const DeviceInfo &info : devices) {
        TARN_DEVICE_INFO device;
        std::memset(&device, 0, sizeof device);
        store->get(info.strSerialNo, info.strMAC, &device);
        if (!fixedAddressType(device.deviceTypeCode))
            addressFlag = true;
        // ONVIF devices have no device port: each TARN device keeps its own then.
        if (device.port != first.port || device.protocol == TARN_PROTOCOL_ONVIF)
            samePort = false;
        // ONVIF devices serve their device service on their web port: one port for all of them
        // would move every service. Each keeps its own in a batch.
        if (device.httpPort == 0 || device.protocol == TARN_PROTOCOL_ONVIF)
            httpFlag = false;
        if (device.httpPort != first.httpPort)
            sameHttp = false;
        if (TARN::fieldText(device.ipv4Gateway) != TARN::fieldText(first.ipv4Gateway))
            sameGateway = false;
    }
    for (aptui::MultiStateLineEdit *edit : {m_lineEditStartIp, m_lineEditPort, m_lineEditSubnetMask, m_lineEditGateway,
                                            m_lineEditIPV6Address, m_lineEditIPV6Gateway, m_lineEditIPV6SubnetMaskLen,
                                            m_lineEditHttpPort})
        edit->clear();
    // What every device shares is shown, so a person who changes only addresses types only
    // addresses; an empty port or gateway keeps each device's own.
    if (samePort && !devices.isEmpty())
        m_lineEditPort->setText(QString::number(first.port));
    if (httpFlag && sameHttp && !devices.isEmpty())
        m_lineEditHttpPort->setText(QString::number(first.httpPort));
    const QString gateway = TARN::fieldText(first.ipv4Gateway);
    if (sameGateway && gateway != QLatin1String("0.0.0.0"))
        m_lineEditGateway->setText(gateway);
    m_lineEditStartIp->setEnabled(addressFlag);
    m_lineEditSubnetMask->setEnabled(addressFlag);
    m_lineEditPort->setEnabled(samePort);
    // The gateway goes with the addresses: a batch moved into another subnet needs a new one.
    m_lineEditGateway->setEnabled(addressFlag);
    m_lineEditHttpPort->setEnabled(httpFlag);
    setIpv6Enabled(false);
    m_checkBoxBatchDHCP->setChecked(false);
    m_lineEditStartIp->setFocus();
}

void DeviceNetParaPage::clearHints()
{
    for (QLabel *hint : {m_labelHintStartIp, m_labelHintDeviceSerial, m_labelHintIpAddress, m_labelHintPort,
                         m_labelHintSubnetMask, m_labelHintGateway, m_labelHintIPv6Address, m_labelHintIPv6Gateway,
                         m_labelHintPrefixLength, m_labelHintHttpPort})
        hint->clear();
    for (aptui::MultiStateLineEdit *edit : findChildren<aptui::MultiStateLineEdit *>())
        edit->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
}

void DeviceNetParaPage::applyDhcp()
{
    const bool blocked = m_checkBoxDHCP->blockSignals(true);
    m_checkBoxDHCP->setChecked(true);
    m_checkBoxDHCP->blockSignals(blocked);
    for (QWidget *w : std::initializer_list<QWidget *> {m_lineEditIpAddress, m_lineEditSubnetMask, m_lineEditGateway})
        w->setEnabled(false);
    setIpv6Enabled(false);
}

void DeviceNetParaPage::setBatchAddressEditable(bool editable)
{
    if (!editable) {
        m_lineEditStartIp->clear();
        m_lineEditSubnetMask->clear();
        m_lineEditGateway->clear();
    }
    m_lineEditStartIp->setEnabled(editable);
    m_lineEditSubnetMask->setEnabled(editable);
    m_lineEditGateway->setEnabled(editable);
}

bool DeviceNetParaPage::isBatchStaticAddress() const
{
    return !m_checkBoxBatchDHCP->isChecked();
}

bool DeviceNetParaPage::isBatchAddressEnabled() const
{
    return m_lineEditStartIp->isEnabled();
}

void DeviceNetParaPage::readBatchFields(QString &startIp, QString &mask, QString &gateway, int &port,
                                        int &httpPort) const
{
    startIp = m_lineEditStartIp->text().trimmed();
    mask = m_lineEditSubnetMask->text().trimmed();
    gateway = m_lineEditGateway->text().trimmed();
    port = NetParamCheck::numberOf(m_lineEditPort->text());
    httpPort = NetParamCheck::numberOf(m_lineEditHttpPort->text());
}

bool DeviceNetParaPage::passes(const QString &message, aptui::MultiStateLineEdit *edit, QLabel *hint, const QPoint &pos)
{
    if (message.isEmpty())
        return true;
    WarningDialog::showWarning(pos, WarningDialog::WarnError, message, this, edit, hint);
    return false;
}

bool DeviceNetParaPage::checkSingleForm(const QPoint &pos)
{
    using namespace NetParamCheck;
    if (!passes(ipAddress(m_lineEditIpAddress->text()), m_lineEditIpAddress, m_labelHintIpAddress, pos)
        || (m_lineEditPort->isEnabled() && !passes(port(m_lineEditPort->text()), m_lineEditPort, m_labelHintPort, pos))
        || !passes(subnetMask(m_lineEditSubnetMask->text()), m_lineEditSubnetMask, m_labelHintSubnetMask, pos)
        || !passes(gateway(m_lineEditGateway->text()), m_lineEditGateway, m_labelHintGateway, pos))
        return false;
    if (m_lineEditGateway->isEnabled()
        && !passes(gatewayInSubnet(m_lineEditIpAddress->text(), m_lineEditSubnetMask->text(), m_lineEditGateway->text()),
                   m_lineEditGateway, m_labelHintGateway, pos))
        return false;
    if (m_lineEditIPV6Address->isEnabled()
        && (!passes(ipv6Address(m_lineEditIPV6Address->text()), m_lineEditIPV6Address, m_labelHintIPv6Address, pos)
            || !passes(ipv6Gateway(m_lineEditIPV6Gateway->text()), m_lineEditIPV6Gateway, m_labelHintIPv6Gateway, pos)
            || !passes(ipv6PrefixLength(m_lineEditIPV6SubnetMaskLen->text()), m_lineEditIPV6SubnetMaskLen,
                       m_labelHintPrefixLength, pos)))
        return false;
    return passes(httpPort(m_lineEditHttpPort->text(), m_lineEditHttpPort->isEnabled()), m_lineEditHttpPort,
                  m_labelHintHttpPort, pos);
}

bool DeviceNetParaPage::checkBatchForm(const QPoint &pos)
{
    using namespace NetParamCheck;
    auto run = [this, &pos](aptui::MultiStateLineEdit *edit, QLabel *hint, const QString &message) {
        return !edit->isEnabled() || passes(message, edit, hint, pos);
    };
    // Ports and the gateway left empty keep each device's own.
    auto given = [](aptui::MultiStateLineEdit *edit) { return !edit->text().trimmed().isEmpty(); };
    return run(m_lineEditStartIp, m_labelHintStartIp, startAddress(m_lineEditStartIp->text()))
        && (!given(m_lineEditPort) || run(m_lineEditPort, m_labelHintPort, port(m_lineEditPort->text())))
        && run(m_lineEditSubnetMask, m_labelHintSubnetMask, subnetMask(m_lineEditSubnetMask->text()))
        && (!given(m_lineEditGateway)
            || (run(m_lineEditGateway, m_labelHintGateway, gateway(m_lineEditGateway->text()))
                && run(m_lineEditGateway, m_labelHintGateway,
                       gatewayInSubnet(m_lineEditStartIp->text(), m_lineEditSubnetMask->text(),
                                       m_lineEditGateway->text()))))
        && (!given(m_lineEditHttpPort)
            || run(m_lineEditHttpPort, m_labelHintHttpPort, httpPort(m_lineEditHttpPort->text(), true)));
}

void DeviceNetParaPage::fillNetParams(TARN_NETWORK_PARAMS &out) const
{
    std::memset(&out, 0, sizeof out);
    TARN::setFieldText(out.ipv4Address, m_lineEditIpAddress->text().trimmed());
    TARN::setFieldText(out.ipv4SubnetMask, m_lineEditSubnetMask->text().trimmed());
    TARN::setFieldText(out.ipv4Gateway, m_lineEditGateway->text().trimmed());
    out.port = quint16(NetParamCheck::numberOf(m_lineEditPort->text()));
    out.dhcpEnabled = m_checkBoxDHCP->isChecked() ? 1 : 0;
    // A device without a web page shows 0 in a disabled field and keeps it: 0 is not sent as 80.
    out.httpPort = quint16(NetParamCheck::numberOf(m_lineEditHttpPort->text()));
    TARN::setFieldText(out.ipv6Address, m_lineEditIPV6Address->text().trimmed());
    TARN::setFieldText(out.ipv6Gateway, m_lineEditIPV6Gateway->text().trimmed());
    out.ipv6PrefixLength = quint8(NetParamCheck::numberOf(m_lineEditIPV6SubnetMaskLen->text()));
}

bool DeviceNetParaPage::eventFilter(QObject *target, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        static const QPair<const char *, const char *> pairs[] = {
            {"m_lineEditStartIp", "m_labelHintStartIp"},
            {"m_lineEditSerialNumber", "m_labelHintDeviceSerial"},
            {"m_lineEditIpAddress", "m_labelHintIpAddress"},
            {"m_lineEditPort", "m_labelHintPort"},
            {"m_lineEditSubnetMask", "m_labelHintSubnetMask"},
            {"m_lineEditGateway", "m_labelHintGateway"},
            {"m_lineEditIPV6Address", "m_labelHintIPv6Address"},
            {"m_lineEditIPV6Gateway", "m_labelHintIPv6Gateway"},
            {"m_lineEditIPV6SubnetMaskLen", "m_labelHintPrefixLength"},
            {"m_lineEditHttpPort", "m_labelHintHttpPort"},
        };
        if (auto *edit = qobject_cast<aptui::MultiStateLineEdit *>(target)) {
            for (const auto &pair : pairs) {
                if (edit->objectName() == QLatin1String(pair.first)) {
                    if (auto *hint = findChild<QLabel *>(QLatin1String(pair.second)))
                        hint->clear();
                    edit->setLineEditState(aptui::MultiStateLineEdit::NORMAL);
                }
            }
        }
    }
    return QWidget::eventFilter(target, event);
}

} // namespace TarnTool
