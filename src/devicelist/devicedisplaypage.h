#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QItemSelection>
#include <QModelIndex>
#include <QVector>
#include <QWidget>

#include "discovery/deviceinfo.h"
#include "tarn.h"

class QDialog;
class QStandardItem;

namespace Ui {
class DeviceDisplayPage;
}

namespace TARN {
class TarnHandler;
}

namespace aptui {
class TreeViewWithLeftPixmapDelegate;
}

namespace TarnTool {

class DeviceInfoModel;

// The main window's device area: the device count, "Export" and "Refresh" above the live device
// table. It keeps the table and the device store in step with the discovery handler's events, and
// tells the modify panel what kind of set is checked.
//
// The parent is expected to have the slots enableCover() and disableCover(); the page lays the
// cover over it while the export dialog is open.
class DeviceDisplayPage : public QWidget
{
    Q_OBJECT

public:
    // Builds the export dialog for the model and the checked rows' numbers; the page runs it
    // modally.
    using ExportDialogFactory = std::function<std::unique_ptr<QDialog>(DeviceInfoModel *model, const QVector<int> &rows)>;

    // `columnConfig` is the column layout file, relative to the program's folder unless absolute.
    explicit DeviceDisplayPage(QWidget *parent = nullptr,
                               const QString &columnConfig = QStringLiteral("ColumnConfig.xml"));
    ~DeviceDisplayPage() override;

    // "Export" opens the export dialog unless another factory is set (tests set their own).
    void setExportDialogFactory(ExportDialogFactory factory);
    // Refresh goes through this handler; without one, through TarnHandler::instance().
    void setDiscoveryHandler(TARN::TarnHandler *handler);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void signalCurrentSelectionModelChange(ModifyPage modifyPageType, QVector<DeviceInfo> vecDeviceInfo);
    void signalCoverMainPage();
    void signalDisCoverMainPage();

public slots:
    void onDeviceLogin(TARN_DEVICE_INFO struDevInfo);
    void onDeviceLogout(TARN_DEVICE_INFO struDevInfo);
    // Many departures at once, as after a whole site goes: the same as one onDeviceLogout each.
    void onDevicesLogout(const QVector<TARN_DEVICE_INFO> &records);
    void onDeviceUpdate(TARN_DEVICE_INFO struDevInfo);
    void onSaveDeviceInfoToExcel();
    void onManualUpdate();
    // Asks for the site's ONVIF credentials and hands them to discovery.
    void onSiteCredentials();
    void onTableviewRowChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void onDevicesModifyResult(QVector<DeviceInfo> vecDeviceInfo);
    void onDevicesActiveResult(QVector<DeviceInfo> vecDeviceInfo);
    void onSortTable(int iIndex);
    void onItemCheckChanged(QStandardItem *pItem);
    void onDoubleClickAction(const QModelIndex &miIndex);
    void onHeaderCountChanged(int iLogicalIndex, int iOldVisualIndex, int iNewVisualIndex);
    void onHeaderPress(int iLogicalIndex);

private:
    Q_DISABLE_COPY(DeviceDisplayPage)

    TARN::TarnHandler *handler() const;
    // An ONVIF device's https certificate, in its protocol cell's tool tip, for the user to compare.
    void showCertificate(const TARN_DEVICE_INFO &record);
    void updateCount();
    QVector<int> checkedRows() const;
    DeviceInfo deviceInfoOfRow(int row) const;
    // The stored activation state of the row's device; a device missing from the store counts
    // as activated.
    quint8 activationOfRow(const DeviceInfo &info) const;
    void redrawFromStore(const QVector<DeviceInfo> &results);
    void recountSelection();
    void emitForRows(const QVector<int> &rows);
    void updateExportButton(int checkedCount);
    void emitForNoDevice();
    void emitForOneRow(int row);
    void emitForSeveralRows(const QVector<int> &rows);

    Ui::DeviceDisplayPage *ui = nullptr;
    DeviceInfoModel *m_deviceInfoModel = nullptr;
    aptui::TreeViewWithLeftPixmapDelegate *m_itemDelegate = nullptr;
    QByteArray m_headerState;
    int lastCheckedCount = -1;

    ExportDialogFactory m_exportDialogFactory;
    TARN::TarnHandler *m_handler = nullptr;
    bool m_restoringHeader = false;
    QString m_siteUser;  // the name asked for last; the password is never kept here
};

} // namespace TarnTool
