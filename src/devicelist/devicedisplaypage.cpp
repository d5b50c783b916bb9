#include "devicelist/devicedisplaypage.h"

#include <cstring>

#include <QDebug>
#include <QDesktopServices>
#include <QDialog>
#include <QHeaderView>
#include <QHoverEvent>
#include <QIcon>
#include <QMetaObject>
#include <QStandardItem>
#include <QUrl>

#include "aptui/coverwidget.h"
#include "aptui/treeviewwithleftpixmapdelegate.h"
#include "common/addresscheck.h"
#include "devicelist/deviceinfomodel.h"
#include "devicelist/devicestore.h"
#include "discovery/devicefields.h"
#include "discovery/tarnhandler.h"
#include "common/secretbytes.h"
#include "devicelist/sitecredentialsdialog.h"
#include "exportdialog/devicesinfosavepage.h"
#include "qpx/qpxguard.h"
#include "ui_devicedisplaypage.h"

namespace TarnTool {

namespace {

using Id = DeviceInfoModel::ColumnId;

struct ColumnWidth
{
    int id;
    int width;
};

const ColumnWidth kColumnWidths[] = {
    {Id::IdCheck, 30}, {Id::IdNumber, 70}, {Id::IdDeviceType, 160}, {Id::IdActivate, 100},
    {Id::IdIPv4Address, 120}, {Id::IdHttpPort, 80}, {Id::IdPort, 80}, {Id::IdSerialNumber, 230},
    {Id::IdStartTime, 130}, {Id::IdIPv4Mask, 100}, {Id::IdMac, 120}, {Id::IdChannelCount, 130},
    {Id::IdSoftVersion, 120}, {Id::IdDspVersion, 110}, {Id::IdIPv4Gateway, 100},
    {Id::IdIPv6Address, 100}, {Id::IdIPv6Gateway, 100}, {Id::IdIPv6PrefixLength, 130},
    {Id::IdSupportIPv6, 130}, {Id::IdSupportDhcp, 130}, {Id::IdSupportModIPv6, 130},
    {Id::IdIPv4Dhcp, 130}, {Id::IdProtocol, 300}};

DeviceStore &store()
{
    return *DeviceStore::instance();
}

} // namespace

DeviceDisplayPage::DeviceDisplayPage(QWidget *parent, const QString &columnConfig)
    : QWidget(parent)
    , ui(new Ui::DeviceDisplayPage)
{
    ui->setupUi(this);
    lastCheckedCount = -1;

    m_deviceInfoModel = new DeviceInfoModel(this, columnConfig);
    m_itemDelegate = new aptui::TreeViewWithLeftPixmapDelegate(ui->m_tableViewTarn);
    ui->m_tableViewTarn->setItemDelegate(m_itemDelegate);
    ui->m_tableViewTarn->setModel(m_deviceInfoModel);
    ui->m_tableViewTarn->setAccessibleName(tr("Devices"));

    ui->m_tableViewTarn->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->m_tableViewTarn->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->m_tableViewTarn->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The check column is narrower than the style's default minimum.
    ui->m_tableViewTarn->header()->setMinimumSectionSize(30);
    for (const ColumnWidth &c : kColumnWidths)
        ui->m_tableViewTarn->setColumnWidth(m_deviceInfoModel->columnOf(c.id), c.width);

    aptui::connectCoverSlots(this, parent);
    m_exportDialogFactory = [](DeviceInfoModel *model, const QVector<int> &rows) {
        auto dialog = std::make_unique<DevicesInfoSavePage>(model, nullptr);
        dialog->setExportRows(rows);
        return std::unique_ptr<QDialog>(std::move(dialog));
    };

    ui->m_tableViewTarn->setSortingEnabled(true);
    ui->m_tableViewTarn->sortByColumn(m_deviceInfoModel->columnOf(Id::IdNumber), Qt::AscendingOrder);

    QHeaderView *header = ui->m_tableViewTarn->header();
    connect(ui->m_btnExportDeviceInfo, &QPushButton::clicked, this, &DeviceDisplayPage::onSaveDeviceInfoToExcel);
    connect(ui->m_btnRefreshDeviceInfo, &QPushButton::clicked, this, &DeviceDisplayPage::onManualUpdate);
    connect(ui->m_btnSiteCredentials, &QPushButton::clicked, this, &DeviceDisplayPage::onSiteCredentials);
    ui->m_btnSiteCredentials->setToolTip(tr("The user name and password of the site's ONVIF devices"));
    connect(header, &QHeaderView::sectionClicked, this, &DeviceDisplayPage::onSortTable);
    connect(m_deviceInfoModel, &DeviceInfoModel::itemChanged, this, &DeviceDisplayPage::onItemCheckChanged);
    connect(ui->m_tableViewTarn, &QAbstractItemView::doubleClicked, this, &DeviceDisplayPage::onDoubleClickAction);
    connect(header, &QHeaderView::sectionMoved, this, &DeviceDisplayPage::onHeaderCountChanged);
    connect(header, &QHeaderView::sectionPressed, this, &DeviceDisplayPage::onHeaderPress);

    // Hover moves reach the view's viewport, so the page watches both.
    ui->m_tableViewTarn->installEventFilter(this);
    ui->m_tableViewTarn->viewport()->installEventFilter(this);
    ui->m_tableViewTarn->setMouseTracking(true);
    ui->m_tableViewTarn->setAttribute(Qt::WA_Hover);
    ui->m_tableViewTarn->viewport()->setAttribute(Qt::WA_Hover);

    ui->m_tableViewTarn->setAlternatingRowColors(true);
    ui->m_tableViewTarn->ShowGridLine(false);

    updateExportButton(0);
}

DeviceDisplayPage::~DeviceDisplayPage()
{
    delete ui;
}

void DeviceDisplayPage::setExportDialogFactory(ExportDialogFactory factory)
{
    m_exportDialogFactory = std::move(factory);
}

void DeviceDisplayPage::setDiscoveryHandler(TARN::TarnHandler *handler)
{
    m_handler = handler;
}

TARN::TarnHandler *DeviceDisplayPage::handler() const
{
    return m_handler ? m_handler : TARN::TarnHandler::instance();
}

void DeviceDisplayPage::updateCount()
{
    ui->m_labelDeviceCountValue->setText(QString::number(m_deviceInfoModel->rowCount()));
}

void DeviceDisplayPage::onDeviceLogin(TARN_DEVICE_INFO struDevInfo)
{
    bool known = false;
    {
        QPX_Guard guard(store().mutex());
        // An ONVIF device not read yet has no MAC: it is told apart by its endpoint alone.
        const QString mac = TARN::macOf(struDevInfo);
        known = mac.isEmpty() ? store().find(TARN::serialOf(struDevInfo), mac) >= 0 : store().containsMac(mac);
    }
    if (known)
        return;
    m_deviceInfoModel->addDevice(&struDevInfo);
    store().add(struDevInfo);
    showCertificate(struDevInfo);
    updateCount();
    // The model builds a row before it shows it, so the new check box reports no change of its
    // own; until the first count is taken it still has to, as it would have had it changed.
    if (lastCheckedCount < 0) {
        const int row = m_deviceInfoModel->rowCount() - 1;
        onItemCheckChanged(m_deviceInfoModel->item(row, m_deviceInfoModel->columnOf(Id::IdCheck)));
    }
}

void DeviceDisplayPage::onDeviceLogout(TARN_DEVICE_INFO struDevInfo)
{
    m_deviceInfoModel->removeDevice(&struDevInfo);
    store().remove(struDevInfo);
    updateCount();
    recountSelection();
}

void DeviceDisplayPage::onDevicesLogout(const QVector<TARN_DEVICE_INFO> &records)
{
    m_deviceInfoModel->removeDevices(records);
    for (const TARN_DEVICE_INFO &record : records)
        store().remove(record);
    updateCount();
    recountSelection();
}

void DeviceDisplayPage::onDeviceUpdate(TARN_DEVICE_INFO struDevInfo)
{
    m_deviceInfoModel->updateDevice(&struDevInfo);
    store().replace(struDevInfo);
    showCertificate(struDevInfo);
}

void DeviceDisplayPage::showCertificate(const TARN_DEVICE_INFO &record)
{
    if (record.protocol != TARN_PROTOCOL_ONVIF)
        return;
    const QString certificate = handler()->onvifCertificate(TARN::serialOf(record).toLatin1());
    const int row = m_deviceInfoModel->findRow(TARN::identityOf(record));
    QStandardItem *cell = row < 0 ? nullptr : m_deviceInfoModel->item(row, m_deviceInfoModel->columnOf(Id::IdProtocol));
    if (cell && !certificate.isEmpty())
        cell->setToolTip(cell->toolTip() + QLatin1Char('\n') + tr("Certificate SHA-256: %1").arg(certificate));
}

QVector<int> DeviceDisplayPage::checkedRows() const
{
    QVector<int> rows;
    const int column = m_deviceInfoModel->columnOf(Id::IdCheck);
    for (int row = 0; row < m_deviceInfoModel->rowCount(); ++row) {
        const QStandardItem *check = m_deviceInfoModel->item(row, column);
        if (check && check->checkState() == Qt::Checked)
            rows.append(row);
    }
    return rows;
}

DeviceInfo DeviceDisplayPage::deviceInfoOfRow(int row) const
{
    auto text = [&](int id) {
        const QStandardItem *cell = m_deviceInfoModel->item(row, m_deviceInfoModel->columnOf(id));
        return cell ? cell->text() : QString();
    };
    DeviceInfo info;
    info.strIndex = text(Id::IdNumber);
    info.strDeviceType = text(Id::IdDeviceType);
    info.strIPv4 = text(Id::IdIPv4Address);
    info.strMAC = text(Id::IdMac);
    info.strSerialNo = text(Id::IdSerialNumber);
    info.strResult = QStringLiteral("0");
    return info;
}

quint8 DeviceDisplayPage::activationOfRow(const DeviceInfo &info) const
{
    TARN_DEVICE_INFO record;
    std::memset(&record, 0, sizeof record);
    store().get(info.strSerialNo, info.strMAC, &record);
    return record.activationState;
}

void DeviceDisplayPage::updateExportButton(int checkedCount)
{
    // Export writes the checked rows: with none there is nothing to write.
    ui->m_btnExportDeviceInfo->setEnabled(checkedCount > 0);
}

void DeviceDisplayPage::emitForNoDevice()
{
    updateExportButton(0);
    emit signalCurrentSelectionModelChange(MODIFY_SINGLE, QVector<DeviceInfo>());
}

void DeviceDisplayPage::emitForOneRow(int row)
{
    updateExportButton(1);
    const DeviceInfo info = deviceInfoOfRow(row);
    switch (activationOfRow(info)) {
    case TARN_ACTIVATED:
        emit signalCurrentSelectionModelChange(MODIFY_SINGLE, QVector<DeviceInfo> {info});
        break;
    case TARN_NOT_ACTIVATED:
        emit signalCurrentSelectionModelChange(ACTIVE_SINGLE, QVector<DeviceInfo> {info});
        break;
    default:
        break;
    }
}

void DeviceDisplayPage::emitForSeveralRows(const QVector<int> &rows)
{
    updateExportButton(rows.size());
    QVector<DeviceInfo> infos;
    infos.reserve(rows.size());
    bool activated = false;
    bool notActivated = false;
    for (int row : rows) {
        const DeviceInfo info = deviceInfoOfRow(row);
        infos.append(info);
        const quint8 state = activationOfRow(info);
        activated = activated || state == TARN_ACTIVATED;
        notActivated = notActivated || state == TARN_NOT_ACTIVATED;
    }
    if (notActivated && activated)
        emit signalCurrentSelectionModelChange(MIXED_BATCH, infos);
    else if (notActivated)
        emit signalCurrentSelectionModelChange(ACTIVE_BATCH, infos);
    else if (activated)
        emit signalCurrentSelectionModelChange(MODIFY_BATCH, infos);
}

void DeviceDisplayPage::emitForRows(const QVector<int> &rows)
{
    if (rows.isEmpty())
        emitForNoDevice();
    else if (rows.size() == 1)
        emitForOneRow(rows.first());
    else
        emitForSeveralRows(rows);
}

void DeviceDisplayPage::recountSelection()
{
    const QVector<int> rows = checkedRows();
    emitForRows(rows);
    lastCheckedCount = rows.size();
}

void DeviceDisplayPage::onItemCheckChanged(QStandardItem *pItem)
{
    if (!pItem || pItem->column() != m_deviceInfoModel->columnOf(Id::IdCheck))
        return;
    const QVector<int> rows = checkedRows();
    if (rows.size() == lastCheckedCount)
        return;
    emitForRows(rows);
    lastCheckedCount = rows.size();
}

void DeviceDisplayPage::redrawFromStore(const QVector<DeviceInfo> &results)
{
    for (const DeviceInfo &result : results) {
        if (result.strResult != tr("Succeed"))
            continue;
        TARN_DEVICE_INFO record;
        std::memset(&record, 0, sizeof record);
        if (store().get(result.strSerialNo, result.strMAC, &record))
            m_deviceInfoModel->updateDevice(&record);
    }
}

void DeviceDisplayPage::onDevicesModifyResult(QVector<DeviceInfo> vecDeviceInfo)
{
    redrawFromStore(vecDeviceInfo);
}

void DeviceDisplayPage::onDevicesActiveResult(QVector<DeviceInfo> vecDeviceInfo)
{
    redrawFromStore(vecDeviceInfo);
    recountSelection();
}

void DeviceDisplayPage::onSaveDeviceInfoToExcel()
{
    if (!m_exportDialogFactory)
        return;
    const std::unique_ptr<QDialog> dialog = m_exportDialogFactory(m_deviceInfoModel, checkedRows());
    if (!dialog)
        return;
    dialog->setWindowIcon(QIcon(QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/SystemInfo/logo_large.png")));
    emit signalCoverMainPage();
    dialog->exec();
    emit signalDisCoverMainPage();
}

void DeviceDisplayPage::onSiteCredentials()
{
    SiteCredentialsDialog dialog(m_siteUser, this);
    dialog.setWindowIcon(QIcon(QStringLiteral(":/CommonSkin/TARNTool/Images/TARNTool/SystemInfo/logo_large.png")));
    emit signalCoverMainPage();
    const int answer = dialog.exec();
    emit signalDisCoverMainPage();
    if (answer != QDialog::Accepted)
        return;
    m_siteUser = dialog.user();
    QByteArray password = dialog.password();
    handler()->setSiteCredentials(m_siteUser, password);
    wipeSecret(password);
}

void DeviceDisplayPage::onManualUpdate()
{
    handler()->clearup();
    store().clear();
    m_deviceInfoModel->removeRows(0, m_deviceInfoModel->rowCount());
    ui->m_labelDeviceCountValue->setText(QStringLiteral("0"));
    emitForNoDevice();
    lastCheckedCount = 0;
    handler()->sendInquiry();
}

void DeviceDisplayPage::onTableviewRowChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    Q_UNUSED(selected)
    Q_UNUSED(deselected)
}

void DeviceDisplayPage::onSortTable(int iIndex)
{
    QHeaderView *header = ui->m_tableViewTarn->header();
    header->setSortIndicatorShown(true);
    ui->m_tableViewTarn->sortByColumn(iIndex, header->sortIndicatorOrder());
}

void DeviceDisplayPage::onDoubleClickAction(const QModelIndex &miIndex)
{
    if (!miIndex.isValid() || miIndex.column() != m_deviceInfoModel->columnOf(Id::IdIPv4Address))
        return;
    const QStandardItem *addressCell = m_deviceInfoModel->item(miIndex.row(), miIndex.column());
    const QStandardItem *portCell = m_deviceInfoModel->item(miIndex.row(), m_deviceInfoModel->columnOf(Id::IdHttpPort));
    const QString address = addressCell ? addressCell->text() : QString();
    // Device texts come from the network: open only a plain address on a plain port.
    if (!isValidIPv4Address(address))
        return;
    bool isNumber = false;
    const uint port = portCell ? portCell->text().trimmed().toUInt(&isNumber, 10) : 0;
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(address);
    // "N/A", in whatever language the table is in, means the device names no port.
    url.setPort(isNumber && port >= 1 && port <= 65535 ? int(port) : 80);
    QDesktopServices::openUrl(url);
}

bool DeviceDisplayPage::eventFilter(QObject *watched, QEvent *event)
{
    QAbstractItemView *view = ui->m_tableViewTarn;
    if (event->type() == QEvent::HoverMove && (watched == view || watched == view->viewport())) {
        const QPoint pos = static_cast<QHoverEvent *>(event)->pos();
        const QPoint inViewport = watched == view ? view->viewport()->mapFrom(view, pos) : pos;
        const QModelIndex index = view->indexAt(inViewport);
        const bool onAddress = index.isValid() && index.column() == m_deviceInfoModel->columnOf(Id::IdIPv4Address);
        setCursor(onAddress ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    return QObject::eventFilter(watched, event);
}

void DeviceDisplayPage::onHeaderPress(int iLogicalIndex)
{
    QHeaderView *header = ui->m_tableViewTarn->header();
    if (iLogicalIndex != 0 && iLogicalIndex != 1) {
        m_headerState = header->saveState();
        header->setSectionsMovable(true);
    } else {
        header->setSectionsMovable(false);
    }
}

void DeviceDisplayPage::onHeaderCountChanged(int iLogicalIndex, int iOldVisualIndex, int iNewVisualIndex)
{
    if (iLogicalIndex < 0 || m_restoringHeader)
        return;
    if (iOldVisualIndex == 0 || iOldVisualIndex == 1 || iNewVisualIndex == 0 || iNewVisualIndex == 1) {
        QHeaderView *header = ui->m_tableViewTarn->header();
        m_restoringHeader = true;
        // Without a state saved by a press, undo the move itself.
        if (m_headerState.isEmpty() || !header->restoreState(m_headerState))
            header->moveSection(iNewVisualIndex, iOldVisualIndex);
        m_restoringHeader = false;
        return;
    }
    m_deviceInfoModel->moveColumn(iLogicalIndex, iOldVisualIndex, iNewVisualIndex);
}

} // namespace TarnTool
