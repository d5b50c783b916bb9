#include "configpanel/devicemodifypage.h"

#include "aptui/coverwidget.h"

namespace TarnTool {

// A placeholder with the panel's interface, so the main window can hold it; the views and the
// device operations come next.
DeviceModifyPage::DeviceModifyPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DeviceModifyPage"));
    setMinimumWidth(320);
    aptui::connectCoverSlots(this, parent);
}

DeviceModifyPage::~DeviceModifyPage() = default;

bool DeviceModifyPage::eventFilter(QObject *target, QEvent *qevent)
{
    return QWidget::eventFilter(target, qevent);
}

void DeviceModifyPage::onCurrentSelectionChange(ModifyPage, QVector<DeviceInfo> struDeviceInfo)
{
    m_vecDeviceInfo = struDeviceInfo;
}

void DeviceModifyPage::onModifyNetParas() {}
void DeviceModifyPage::onActiveDevices() {}
void DeviceModifyPage::onForgetPassword() {}
void DeviceModifyPage::onNewPasswordTextChanged(const QString &) {}
void DeviceModifyPage::onDhcpStateChanged(int) {}
void DeviceModifyPage::onBatchDhcpStateChanged(int) {}

} // namespace TarnTool
