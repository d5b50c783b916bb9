#pragma once

#include <QPoint>
#include <QSet>
#include <QVector>
#include <QWidget>

#include "discovery/batchrunner.h"
#include "discovery/deviceinfo.h"

class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace TARN {
class TarnHandler;
}

namespace aptui {
class MultiStateLineEdit;
}

namespace TarnTool {

class DeviceActivePage;
class DeviceNetParaPage;

// The main window's right-hand panel: network parameters of one device or a batch, activation, and
// the way into password recovery, for the devices checked in the device table.
//
// Device operations run off the GUI thread through a BatchRunner: the window keeps painting, a
// progress line names the device being worked on, and a batch can be stopped after the current
// device. A selection change that arrives meanwhile is applied when the operation has ended, so
// results always go to the devices they belong to.
//
// The parent is expected to have the slots enableCover() and disableCover(); the panel lays the
// cover over it while one of its dialogs is open.
class DeviceModifyPage : public QWidget
{
    Q_OBJECT

public:
    explicit DeviceModifyPage(QWidget *parent = nullptr);
    ~DeviceModifyPage() override;

    // Device operations go through this handler; without one, through TarnHandler::instance().
    void setDiscoveryHandler(TARN::TarnHandler *handler);
    // How long to wait for a device's announcement after it did not answer (see BatchRunner).
    void setResolveTimeout(int ms);
    bool isBusy() const { return m_busy; }

    bool eventFilter(QObject *target, QEvent *qevent) override;

signals:
    void signalModifyResult(QVector<DeviceInfo> vecDeviceInfo);
    void signalActiveResult(QVector<DeviceInfo> vecDeviceInfo);
    void signalCoverMainPage();
    void signalDisCoverMainPage();
    // "Forget Password" for a device that takes a key from its maker: the receiver runs the reset
    // dialog modally for it, between the cover signals the panel emits around this one.
    void signalResetPassword(const DeviceInfo &device, bool supportQRCode, bool supportResetIPC);
    // "Forget Password" for any other device: the receiver runs the restore-default dialog.
    void signalRestorePassword(const DeviceInfo &device);
    // Before each device of an operation: its position from 1, the count and its address.
    void signalProgress(int position, int total, const QString &address);

public slots:
    void onCurrentSelectionChange(ModifyPage modifyPageType, QVector<DeviceInfo> struDeviceInfo);
    void onModifyNetParas();
    void onActiveDevices();
    void onForgetPassword();
    void onNewPasswordTextChanged(const QString &strNewPassword);
    void onDhcpStateChanged(int iState);
    void onBatchDhcpStateChanged(int iState);
    // Stops the running batch after the current device.
    void onStopBatch();

private:
    Q_DISABLE_COPY(DeviceModifyPage)

    enum View { NoSelectionView, SingleModifyView, BatchModifyView, SingleActiveView, BatchActiveView, MixedView };

    void buildWidgets();
    void retranslate();
    void showView(View view);
    void resetPasswordMarks();
    QPoint popupPosition() const;
    TARN::TarnHandler *handler() const;
    void warn(int kind, const QString &text, aptui::MultiStateLineEdit *edit = nullptr, QLabel *hint = nullptr);
    // The password as the device gets it; false (and a message) when a character cannot be sent.
    bool passwordBytes(aptui::MultiStateLineEdit *edit, QLabel *hint, QByteArray *out);

    void modifySingle();
    void modifyBatch();
    void activateSingle(const QByteArray &password);
    void activateBatch(const QByteArray &password);
    // Runs the steps with the progress line shown and the forms locked; applies a selection that
    // arrived meanwhile afterwards (see finishOperation).
    QVector<TARN::StepResult> runSteps(const QVector<TARN::BatchStep> &steps);
    void finishOperation();
    void showResultList(const QVector<DeviceInfo> &devices, bool activation);

    QString singleErrorText(int code) const;
    QString batchModifyText(const TARN::StepResult &result, const TARN_NETWORK_PARAMS &sent) const;
    // A device's refusal of the values (2013), naming the values it was sent.
    QString refusedValuesText(int code, const TARN_NETWORK_PARAMS &sent) const;
    QString batchActivateText(const TARN::StepResult &result) const;

    QVector<DeviceInfo> m_vecDeviceInfo;
    ModifyPage m_mode = MODIFY_SINGLE;
    TARN::TarnHandler *m_handler = nullptr;
    TARN::BatchRunner *m_runner = nullptr;
    int m_progressDone = 0;       // of the batch running
    QString m_progressAddress;    // the device it started last
    int m_resolveMs = 3000;
    bool m_busy = false;
    bool m_selectionPending = false;
    ModifyPage m_pendingMode = MODIFY_SINGLE;
    QVector<DeviceInfo> m_pendingSelection;
    // Devices whose activation ended without an answer or announcement: a later "already
    // activated" from them is the earlier attempt having taken, not a failure.
    QSet<QString> m_unsettledActivations;

    QWidget *m_widgetModifyPage = nullptr;
    QStackedWidget *m_stackedWidget = nullptr;
    DeviceNetParaPage *m_netParaPage = nullptr;
    DeviceActivePage *m_activePage = nullptr;
    QFrame *m_frameActive = nullptr;
    QLabel *m_labelNewPassword = nullptr;
    aptui::MultiStateLineEdit *m_lineEditNewPassword = nullptr;
    QLabel *m_labelHintNewPassword = nullptr;
    QLabel *m_labelLevel = nullptr;
    QLabel *m_labelLevel1 = nullptr;
    QLabel *m_labelLevel2 = nullptr;
    QLabel *m_labelLevel3 = nullptr;
    QLabel *m_labelHintLevel = nullptr;
    QLabel *m_labelConfirmPasswoed = nullptr;
    aptui::MultiStateLineEdit *m_lineEditConfirmPassword = nullptr;
    QLabel *m_labelHintConfirmPassword = nullptr;
    QPushButton *m_btnActive = nullptr;
    QFrame *m_frameModifyPara = nullptr;
    QLabel *m_labelAdminPassword = nullptr;
    aptui::MultiStateLineEdit *m_lineEditAdminPassword = nullptr;
    QLabel *m_labelHintAdimaPassword = nullptr;
    QPushButton *m_btnModify = nullptr;
    QPushButton *m_btnLostPassword = nullptr;
    QWidget *m_widgetProgress = nullptr;
    QLabel *m_labelProgress = nullptr;
    QPushButton *m_btnStopBatch = nullptr;
};

} // namespace TarnTool
