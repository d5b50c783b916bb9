#pragma once

#include <QPoint>
#include <QVector>
#include <QWidget>

#include "discovery/deviceinfo.h"
#include "tarn.h"

class QLabel;
class QPushButton;
class QGridLayout;

namespace OrvoGUIToolkit {
class CCheckBox;
}

namespace aptui {
class MultiStateLineEdit;
}

namespace TarnTool {

// The network parameter form, page 0 of the modify panel: one device's values (single layout), or
// a start address and the values a batch shares (batch layout). It fills itself from the device
// store, checks its fields with fixed messages and builds the record the panel sends; it sends
// nothing itself.
class DeviceNetParaPage : public QWidget
{
    Q_OBJECT

public:
    // Device type codes in this range have a fixed address plan of their own: a batch of only such
    // devices cannot be given addresses from the form.
    static constexpr int FixedAddressTypeFirst = 0x9D00;
    static constexpr int FixedAddressTypeLast = 0x9FFF;

    explicit DeviceNetParaPage(QWidget *parent = nullptr);

    void showSingleLayout();
    void showBatchLayout();
    void enableAll();
    void clearAndDisable();
    // The single layout's values from the store. `dhcpTarget` is the state to show when
    // `fromDhcpToggle` is true, in the record's own terms: 1 DHCP on, 0 off.
    void fillFromDevice(const QString &serial, const QString &mac, bool fromDhcpToggle, int dhcpTarget);
    void fillBatch(const QVector<DeviceInfo> &devices);
    void clearHints();
    void applyDhcp();
    void setBatchAddressEditable(bool editable);
    bool isBatchStaticAddress() const;
    // Whether the batch start address field can be used (some device outside the fixed range).
    bool isBatchAddressEnabled() const;
    void readBatchFields(QString &startIp, QString &mask, QString &gateway, int &port, int &httpPort) const;
    bool checkSingleForm(const QPoint &pos);
    bool checkBatchForm(const QPoint &pos);
    void fillNetParams(TARN_NETWORK_PARAMS &out) const;

    bool eventFilter(QObject *target, QEvent *event) override;

signals:
    void signalDhcpStateChanged(int iState);
    void signalBatchDhcpStateChanged(int iState);

private:
    Q_DISABLE_COPY(DeviceNetParaPage)

    aptui::MultiStateLineEdit *addRow(QGridLayout *grid, int row, const char *labelName, const QString &caption,
                                      QLabel **label, const char *editName, const char *hintName, QLabel **hint);
    void retranslate();
    // Shows `message` for the field when it is not empty; answers whether the field passed.
    bool passes(const QString &message, aptui::MultiStateLineEdit *edit, QLabel *hint, const QPoint &pos);
    void setIpv6Enabled(bool enabled);

    QLabel *m_labelNetParaPicture = nullptr;
    QLabel *m_labelDeviceNetPara = nullptr;
    QPushButton *m_btnImportDevice = nullptr;
    OrvoGUIToolkit::CCheckBox *m_checkBoxDHCP = nullptr;
    OrvoGUIToolkit::CCheckBox *m_checkBoxBatchDHCP = nullptr;
    QWidget *m_widgetStartIp = nullptr;
    QLabel *m_labelStartIp = nullptr;
    aptui::MultiStateLineEdit *m_lineEditStartIp = nullptr;
    QLabel *m_labelHintStartIp = nullptr;
    QWidget *m_tipWidget2 = nullptr;
    QLabel *m_lableStartIpDescription = nullptr;
    QWidget *m_WidgetItems = nullptr;
    QLabel *m_labelSerialNumber = nullptr;
    aptui::MultiStateLineEdit *m_lineEditSerialNumber = nullptr;
    QLabel *m_labelHintDeviceSerial = nullptr;
    QLabel *m_labelIpAddress = nullptr;
    aptui::MultiStateLineEdit *m_lineEditIpAddress = nullptr;
    QLabel *m_labelHintIpAddress = nullptr;
    QLabel *m_labelPort = nullptr;
    aptui::MultiStateLineEdit *m_lineEditPort = nullptr;
    QLabel *m_labelHintPort = nullptr;
    QLabel *m_labelSubnetMask = nullptr;
    aptui::MultiStateLineEdit *m_lineEditSubnetMask = nullptr;
    QLabel *m_labelHintSubnetMask = nullptr;
    QLabel *m_labelGateway = nullptr;
    aptui::MultiStateLineEdit *m_lineEditGateway = nullptr;
    QLabel *m_labelHintGateway = nullptr;
    QLabel *m_labelIPV6Address = nullptr;
    aptui::MultiStateLineEdit *m_lineEditIPV6Address = nullptr;
    QLabel *m_labelHintIPv6Address = nullptr;
    QLabel *m_labelIPV6Gateway = nullptr;
    aptui::MultiStateLineEdit *m_lineEditIPV6Gateway = nullptr;
    QLabel *m_labelHintIPv6Gateway = nullptr;
    QLabel *m_labelIPV6SubnetMaskLen = nullptr;
    aptui::MultiStateLineEdit *m_lineEditIPV6SubnetMaskLen = nullptr;
    QLabel *m_labelHintPrefixLength = nullptr;
    QLabel *m_labelHttpPort = nullptr;
    aptui::MultiStateLineEdit *m_lineEditHttpPort = nullptr;
    QLabel *m_labelHintHttpPort = nullptr;
    QLabel *m_labelGrayLine = nullptr;
    QLabel *m_labelSecurity = nullptr;
    QLabel *m_labelGrayLine1 = nullptr;
    bool m_batchLayout = false;
};

} // namespace TarnTool
