#pragma once

#include <QVector>
#include <QWidget>

#include "discovery/deviceinfo.h"

namespace TarnTool {

// The main window's right-hand panel: network parameters of one device or a batch, activation, and
// the way into password recovery, for the devices checked in the device table.
//
// The parent is expected to have the slots enableCover() and disableCover(); the panel lays the
// cover over it while one of its dialogs is open.
class DeviceModifyPage : public QWidget
{
    Q_OBJECT

public:
    explicit DeviceModifyPage(QWidget *parent = nullptr);
    ~DeviceModifyPage() override;

    bool eventFilter(QObject *target, QEvent *qevent) override;

signals:
    void signalModifyResult(QVector<DeviceInfo> vecDeviceInfo);
    void signalActiveResult(QVector<DeviceInfo> vecDeviceInfo);
    void signalCoverMainPage();
    void signalDisCoverMainPage();

public slots:
    void onCurrentSelectionChange(ModifyPage modifyPageType, QVector<DeviceInfo> struDeviceInfo);
    void onModifyNetParas();
    void onActiveDevices();
    void onForgetPassword();
    void onNewPasswordTextChanged(const QString &strNewPassword);
    void onDhcpStateChanged(int iState);
    void onBatchDhcpStateChanged(int iState);

private:
    Q_DISABLE_COPY(DeviceModifyPage)

    QVector<DeviceInfo> m_vecDeviceInfo;
};

} // namespace TarnTool
