#include "devicelist/deviceinfomodel.h"

#include <algorithm>
#include <functional>

#include <QBrush>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QColor>
#include <QList>
#include <QSet>

#include "common/apppath.h"
#include "devicelist/cipstandarditem.h"
#include "discovery/devicefields.h"

namespace TarnTool {

namespace {

const char *const kIndexValue = "IndexValue";
// Element names of the file are not read; these only make it readable.
const char *const kColumnNames[DeviceInfoModel::ColumnIdCount] = {
    "Check", "ID", "DeviceType", "Activate", "IPv4Address", "Port", "SoftVersion", "IPv4Gateway",
    "HttpPort", "SerialNumber", "IPv4Mask", "MAC", "ChannelNO", "DSPVersion", "StartTime",
    "IPv6Address", "IPv6Gateway", "IPv6PrefixLength", "SupportIPv6", "SupportModIPv6", "SupportDHCP",
    "IPv4DHCP", "Protocol"};

QBrush greyText()
{
    return QBrush(QColor(QStringLiteral("#666666")));
}

} // namespace

DeviceInfoModel::DeviceInfoModel(QObject *parent, const QString &configFile)
    : QStandardItemModel(parent)
    , m_configPath(QFileInfo(configFile).isRelative() ? settingsPath(configFile) : configFile)
    , m_defaultPath(resolveAppPath(configFile))
{
    loadColumnConfig();
    insertColumns(0, ColumnIdCount);
    setUpHeader();

    // Whatever may delete or move cells behind the model's own operations drops the row index
    // before it happens; the next lookup rebuilds it.
    connect(this, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_ownChange)
            invalidateIdentityIndex();
    });
    connect(this, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] {
        if (!m_ownChange)
            invalidateIdentityIndex();
    });
    connect(this, &QAbstractItemModel::dataChanged, this, &DeviceInfoModel::onDataChanged);
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, &DeviceInfoModel::invalidateIdentityIndex);
    connect(this, &QAbstractItemModel::layoutAboutToBeChanged, this, &DeviceInfoModel::invalidateIdentityIndex);
    connect(this, &QAbstractItemModel::rowsAboutToBeMoved, this, &DeviceInfoModel::invalidateIdentityIndex);
    connect(this, &QAbstractItemModel::columnsInserted, this, &DeviceInfoModel::invalidateIdentityIndex);
    connect(this, &QAbstractItemModel::columnsAboutToBeRemoved, this, &DeviceInfoModel::invalidateIdentityIndex);
    connect(this, &QAbstractItemModel::columnsAboutToBeMoved, this, &DeviceInfoModel::invalidateIdentityIndex);
}

int DeviceInfoModel::columnOf(int id) const
{
    if (id < 0 || id >= ColumnIdCount || id >= m_columnMap.size())
        return -1;
    return m_columnMap.at(id);
}

void DeviceInfoModel::setUpHeader()
{
    const QString headers[ColumnIdCount] = {
        QString(), tr("ID"), tr("Device Type"), tr("Activate"), tr("IPv4 Address"), tr("Port"),
        tr("Soft Vision"), tr("IPv4 GateWay"), tr("HttpPort"), tr("Serial Number"), tr("IPv4 Mask"),
        tr("MAC"), tr("Channel NO"), tr("DSP Vision"), tr("Start Time"), tr("IPv6 Address"),
        tr("IPv6 GateWay"), tr("IPv6 Prefix Length"), tr("Is Support IPv6"), tr("Is Support Mod IPv6"),
        tr("Is Support DHCP"), tr("IPv4 DHCP"), tr("Protocol")};
    for (int id = 0; id < ColumnIdCount; ++id) {
        const int column = columnOf(id);
        setHeaderData(column, Qt::Horizontal, int(Qt::AlignLeft | Qt::AlignVCenter), Qt::TextAlignmentRole);
        if (id == IdCheck) {
            setHeaderData(column, Qt::Horizontal, tr(""), Qt::CheckStateRole);
            setHeaderData(column, Qt::Horizontal, true, Qt::UserRole + 130);
        } else {
            setHeaderData(column, Qt::Horizontal, headers[id], Qt::DisplayRole);
        }
    }
}

bool DeviceInfoModel::readLayout(const QString &path, bool *opened, QString *why)
{
    const OrvoGUIToolkit::CDomFile::ReadStatus status = m_columnConfig.read(path, why);
    *opened = status != OrvoGUIToolkit::CDomFile::CannotOpen;
    const int children = m_columnConfig.childElementCount();
    // A layout from before the protocol column is ours too: widened when it is next saved.
    const bool older = children == PreviousColumnIdCount;
    bool regular = status == OrvoGUIToolkit::CDomFile::Read && (children == ColumnIdCount || older)
        && m_columnConfig.element.tagName() == QLatin1String("ColumnConfig");

    QVector<int> map(ColumnIdCount, -1);
    QVector<bool> used(ColumnIdCount, false);
    for (int id = 0; id < qMin(children, int(ColumnIdCount)); ++id) {
        const XmlNode value = m_columnConfig.childElementAt(id).firstElementByTagName(QLatin1String(kIndexValue));
        bool ok = false;
        const int column = value.text().trimmed().toInt(&ok, 10);
        if (ok && column >= 0 && column < ColumnIdCount && !used.at(column)) {
            map[id] = column;
            used[column] = true;
        } else {
            regular = false;
        }
    }
    for (int id = 0; id < ColumnIdCount; ++id) {
        if (map.at(id) >= 0)
            continue;
        const int column = used.at(id) ? int(used.indexOf(false)) : id;
        map[id] = column;
        used[column] = true;
    }
    m_columnMap = map;
    if (!regular) {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            *why = QStringLiteral("there is no such file");
        else if (status == OrvoGUIToolkit::CDomFile::Read)
            *why = QStringLiteral("it is not a layout of %1 distinct columns").arg(int(ColumnIdCount));
    }
    // Later drags rewrite the document, so it has to describe the map actually in use.
    if (!regular || older)
        rebuildConfigDocument();
    return regular;
}

bool DeviceInfoModel::loadColumnConfig()
{
    const QFileInfo info(m_configPath);
    QString why;
    bool opened = false;
    const bool regular = readLayout(m_configPath, &opened, &why);
    if (info.isSymLink())
        m_configFile = ConfigFile::Link;
    else if (!info.exists())
        m_configFile = ConfigFile::Missing;
    else
        m_configFile = regular ? ConfigFile::Ours : ConfigFile::NotOurs;
    if (!regular && m_defaultPath != m_configPath) {
        // The user's own layout is missing (as for every new user) or bad: the installed default is
        // read, and the user's file is written (or the bad one moved aside) on the next drag only.
        if (m_configFile != ConfigFile::Missing)
            qWarning("[Tool]Column layout %s not read (%s): the default layout %s is used",
                     qUtf8Printable(m_configPath), qUtf8Printable(why), qUtf8Printable(m_defaultPath));
        if (!readLayout(m_defaultPath, &opened, &why))
            qWarning("[Tool]Column layout %s not read (%s): the default columns are used",
                     qUtf8Printable(m_defaultPath), qUtf8Printable(why));
    } else if (!regular) {
        qWarning("[Tool]Column layout %s not read (%s): the default columns are used", qUtf8Printable(m_configPath),
                 qUtf8Printable(why));
    }
    if (m_configFile == ConfigFile::Link)
        qWarning("[Tool]Column layout %s is a symbolic link: column moves are kept until the program ends, "
                 "not written through it", qUtf8Printable(m_configPath));
    return opened;
}

void DeviceInfoModel::saveColumnConfig()
{
    if (m_configFile == ConfigFile::Link)
        return;  // told at load
    if (m_configFile == ConfigFile::NotOurs) {
        const QString aside = m_configPath + QStringLiteral(".unreadable-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        if (!QFile::rename(m_configPath, aside)) {
            qWarning("[Tool]Column layout %s cannot be moved aside to %s: column moves are kept until the "
                     "program ends", qUtf8Printable(m_configPath), qUtf8Printable(aside));
            m_configFile = ConfigFile::Link;  // never try to replace it again
            return;
        }
        qWarning("[Tool]Column layout %s could not be read: kept as %s, a new layout is written",
                 qUtf8Printable(m_configPath), qUtf8Printable(aside));
        m_keptAside = aside;
        m_configFile = ConfigFile::Missing;
    }
    // A failed save loses only the remembered layout; the drag still shows.
    QString why;
    if (makeSettingsDir(m_configPath, &why) && m_columnConfig.save(m_configPath, &why))
        m_configFile = ConfigFile::Ours;
    else
        qWarning("[Tool]Column layout %s not saved: %s", qUtf8Printable(m_configPath), qUtf8Printable(why));
}

void DeviceInfoModel::rebuildConfigDocument()
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("ColumnConfig"));
    doc.appendChild(root);
    for (int id = 0; id < ColumnIdCount; ++id) {
        QDomElement column = doc.createElement(QLatin1String(kColumnNames[id]));
        QDomElement value = doc.createElement(QLatin1String(kIndexValue));
        value.appendChild(doc.createTextNode(QString::number(m_columnMap.at(id))));
        column.appendChild(value);
        root.appendChild(column);
    }
    m_columnConfig.doc = doc;
    m_columnConfig.element = root;
}

void DeviceInfoModel::moveColumn(int logicalIndex, int fromVisual, int toVisual)
{
    Q_UNUSED(logicalIndex)
    const int children = m_columnConfig.childElementCount();
    for (int i = 0; i < children && fromVisual != toVisual; ++i) {
        XmlNode value = m_columnConfig.childElementAt(i).firstElementByTagName(QLatin1String(kIndexValue));
        const int v = value.text().trimmed().toInt(nullptr, 10);
        if (fromVisual < toVisual) {
            if (fromVisual < v && v <= toVisual)
                value.setText(v - 1);
            else if (v == fromVisual)
                value.setText(toVisual);
        } else {
            if (toVisual <= v && v < fromVisual)
                value.setText(v + 1);
            else if (v == fromVisual)
                value.setText(toVisual);
        }
    }
    saveColumnConfig();
}

void DeviceInfoModel::addDevice(const TARN_DEVICE_INFO *record)
{
    if (!record)
        return;
    const int row = rowCount();
    // The row is built whole before it goes in, so the views and the page see one insertion
    // rather than an item change for every cell.
    QList<QStandardItem *> items;
    for (int column = 0; column < ColumnIdCount; ++column)
        items.append(nullptr);
    for (int id = 0; id < ColumnIdCount; ++id) {
        QStandardItem *item = nullptr;
        if (id == IdIPv4Address || id == IdIPv4Mask || (id == IdIPv4Gateway && record->ipv6Valid == 1))
            item = new aptui::CIpStandardItem(QString());
        else
            item = new QStandardItem;
        item->setForeground(greyText());
        items[columnOf(id)] = item;
    }
    QStandardItem *check = items.at(columnOf(IdCheck));
    check->setCheckable(true);
    check->setCheckState(Qt::Unchecked);
    items.at(columnOf(IdNumber))->setText(QString::asprintf("%03d", row + 1));
    setRowTexts(items, *record);

    m_ownChange = true;
    appendRow(items);
    m_ownChange = false;
    if (m_identityIndexValid)
        m_identityCells[TARN::identityOf(*record)].append(items.at(columnOf(IdSerialNumber)));
}

void DeviceInfoModel::setRowTexts(const QList<QStandardItem *> &cells, const TARN_DEVICE_INFO &r)
{
    auto setCellText = [&](int id, const QString &text) {
        if (QStandardItem *cell = cells.value(columnOf(id)))
            cell->setText(text);
    };
    const bool notActivated = r.activationState != 0;
    setCellText(IdDeviceType, TARN::fieldText(r.deviceTypeName));
    setCellText(IdActivate, notActivated ? tr("Not activated") : tr("Activated"));
    if (QStandardItem *activate = cells.value(columnOf(IdActivate)))
        activate->setForeground(notActivated ? QBrush(Qt::red) : greyText());
    setCellText(IdIPv4Address, TARN::fieldText(r.ipv4Address));
    setCellText(IdPort, QString::asprintf("%5d", int(r.port)));
    setCellText(IdSoftVersion, TARN::fieldText(r.softwareVersion));
    if (r.ipv6Valid == 1)
        setCellText(IdIPv4Gateway, TARN::fieldText(r.ipv4Gateway));
    else if (r.ipv6Valid == 0)
        setCellText(IdIPv4Gateway, tr(""));
    setCellText(IdHttpPort, r.httpPort >= 1 ? QString::number(r.httpPort) : tr("N/A"));
    setCellText(IdSerialNumber, TARN::fieldText(r.serialNumber));
    // The check box shows no text; a screen reader says which device it picks.
    if (QStandardItem *check = cells.value(columnOf(IdCheck)))
        check->setData(tr("Select %1").arg(TARN::fieldText(r.serialNumber)), Qt::AccessibleTextRole);
    setCellText(IdIPv4Mask, TARN::fieldText(r.ipv4SubnetMask));
    setCellText(IdMac, TARN::fieldText(r.macAddress));
    setCellText(IdChannelCount, QString::asprintf("%2d", int(r.channelCount)));
    setCellText(IdDspVersion, TARN::fieldText(r.dspVersion));
    setCellText(IdStartTime, TARN::fieldText(r.startTime));
    if (r.ipv6Valid == 1) {
        setCellText(IdIPv6Address, TARN::fieldText(r.ipv6Address));
        setCellText(IdIPv6Gateway, TARN::fieldText(r.ipv6Gateway));
        setCellText(IdIPv6PrefixLength, QString::asprintf("%2d", int(r.ipv6PrefixLength)));
    } else if (r.ipv6Valid == 0) {
        setCellText(IdIPv6Address, tr(""));
        setCellText(IdIPv6Gateway, tr(""));
        setCellText(IdIPv6PrefixLength, tr(""));
    }
    if (!(r.capabilityFlags & TARN_CAP_IPV6))
        setCellText(IdSupportIPv6, tr("No"));
    else if (r.ipv6Valid & 0x01)
        setCellText(IdSupportIPv6, tr("Yes"));
    else
        setCellText(IdSupportIPv6, tr(""));
    setCellText(IdSupportModIPv6, (r.capabilityFlags & TARN_CAP_MODIFY_IPV6) ? tr("Yes") : tr("No"));
    setCellText(IdSupportDhcp, (r.capabilityFlags & TARN_CAP_DHCP) ? tr("Yes") : tr("No"));
    setCellText(IdIPv4Dhcp, r.dhcpEnabled == 1 ? tr("ON") : tr("OFF"));
    if (r.protocol == TARN_PROTOCOL_ONVIF) {
        // No maker vouches for an ONVIF device, so its row says so, and what came of reading it.
        QString state;
        switch (r.protocolState) {
        case TARN_ONVIF_DISCOVERED: state = tr("identity not verified, no credentials"); break;
        case TARN_ONVIF_REFUSED: state = tr("identity not verified, credentials refused"); break;
        case TARN_ONVIF_NO_ANSWER: state = tr("identity not verified, no answer"); break;
        case TARN_ONVIF_ELSEWHERE: state = tr("identity not verified, not contacted"); break;
        default: state = tr("identity not verified"); break;
        }
        setCellText(IdProtocol, tr("ONVIF (%1)").arg(state));
        setCellText(IdPort, tr("N/A"));
        if (QStandardItem *cell = cells.value(columnOf(IdProtocol)))
            cell->setToolTip(tr("Found by WS-Discovery, which anyone on the network can answer: no maker's certificate "
                                "shows this is the device it claims to be."));
    } else {
        setCellText(IdProtocol, tr("TARN"));
        if (QStandardItem *cell = cells.value(columnOf(IdProtocol)))
            cell->setToolTip(QString());
    }
}

void DeviceInfoModel::updateDevice(const TARN_DEVICE_INFO *record)
{
    if (!record)
        return;
    const int row = findRow(TARN::identityOf(*record));
    if (row < 0)
        return;
    QList<QStandardItem *> cells;
    for (int column = 0; column < ColumnIdCount; ++column)
        cells.append(item(row, column));
    // The identity cells get the texts they already hold, so the index stays as it is.
    m_ownChange = true;
    setRowTexts(cells, *record);
    m_ownChange = false;
}

void DeviceInfoModel::removeDevice(const TARN_DEVICE_INFO *record)
{
    if (!record)
        return;
    const tarn::DeviceIdentity id = TARN::identityOf(*record);
    const int found = findRow(id);
    int position = 0;
    if (found >= 0) {
        if (m_identityIndexValid)
            forgetIdentityCell(id, item(found, columnOf(IdSerialNumber)));
        m_ownChange = true;
        removeRow(found);
        m_ownChange = false;
        position = found;
    }
    renumberFrom(position);
}

void DeviceInfoModel::removeDevices(const QVector<TARN_DEVICE_INFO> &records)
{
    QVector<int> rows;
    QSet<int> seen;
    for (const TARN_DEVICE_INFO &record : records) {
        const tarn::DeviceIdentity id = TARN::identityOf(record);
        const int found = findRow(id);
        if (found < 0 || seen.contains(found))
            continue;
        seen.insert(found);
        forgetIdentityCell(id, item(found, columnOf(IdSerialNumber)));
        rows.append(found);
    }
    if (rows.isEmpty()) {
        renumberFrom(0);
        return;
    }
    // From the bottom up, so the rows still to go keep their numbers.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    m_ownChange = true;
    for (int i = 0; i < rows.size();) {
        int first = rows.at(i);
        int count = 1;
        while (i + count < rows.size() && rows.at(i + count) == first - 1) {
            --first;
            ++count;
        }
        removeRows(first, count);
        i += count;
    }
    m_ownChange = false;
    renumberFrom(rows.last());
}

void DeviceInfoModel::forgetIdentityCell(const tarn::DeviceIdentity &id, QStandardItem *cell)
{
    const auto it = m_identityCells.find(id);
    if (it == m_identityCells.end())
        return;
    it->second.removeOne(cell);
    if (it->second.isEmpty())
        m_identityCells.erase(it);
}

void DeviceInfoModel::renumberFrom(int position)
{
    const int number = columnOf(IdNumber);
    const int rows = rowCount();
    if (position >= rows)
        return;
    while (m_numbers.size() < rows)
        m_numbers.append(QString::asprintf("%03d", m_numbers.size() + 1));
    // Every row below a removal changes its number, so a departure from a long table would
    // otherwise send one change per row to every view: one change for the whole range instead.
    const bool wasBlocked = blockSignals(true);
    for (int row = position; row < rows; ++row) {
        if (QStandardItem *cell = item(row, number))
            cell->setText(m_numbers.at(row));
    }
    blockSignals(wasBlocked);
    if (!wasBlocked)
        emit dataChanged(index(position, number), index(rows - 1, number), {Qt::DisplayRole, Qt::EditRole});
}

int DeviceInfoModel::findRow(const QString &serial, const QString &mac)
{
    tarn::DeviceIdentity id;
    return TARN::identityOf(serial, mac, &id) ? findRow(id) : -1;
}

int DeviceInfoModel::findRow(const tarn::DeviceIdentity &id)
{
    if (!m_identityIndexValid)
        rebuildIdentityIndex();
    const auto it = m_identityCells.find(id);
    if (it == m_identityCells.end())
        return -1;
    int first = -1;
    tarn::DeviceIdentity cells;
    for (const QStandardItem *cell : it->second) {
        const int row = cell->row();
        if ((first < 0 || row < first) && rowIdentity(row, &cells) && cells == id)
            first = row;
    }
    if (first >= 0)
        return first;
    // The index disagrees with the rows, which no change should cause: trust the rows.
    rebuildIdentityIndex();
    for (int row = 0; row < rowCount(); ++row) {
        if (rowIdentity(row, &cells) && cells == id)
            return row;
    }
    return -1;
}

bool DeviceInfoModel::rowIdentity(int row, tarn::DeviceIdentity *out) const
{
    const QStandardItem *s = item(row, columnOf(IdSerialNumber));
    const QStandardItem *m = item(row, columnOf(IdMac));
    return s && TARN::identityOf(s->text(), m ? m->text() : QString(), out);
}

void DeviceInfoModel::invalidateIdentityIndex()
{
    m_identityIndexValid = false;
    m_identityCells.clear();
}

void DeviceInfoModel::rebuildIdentityIndex()
{
    m_identityCells.clear();
    const int serialColumn = columnOf(IdSerialNumber);
    tarn::DeviceIdentity id;
    for (int row = 0; row < rowCount(); ++row) {
        // A row without its serial cell has no identity to find.
        if (rowIdentity(row, &id))
            m_identityCells[id].append(item(row, serialColumn));
    }
    m_identityIndexValid = true;
}

void DeviceInfoModel::onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (m_ownChange || !m_identityIndexValid)
        return;
    for (int id : {int(IdSerialNumber), int(IdMac)}) {
        const int column = columnOf(id);
        if (topLeft.column() <= column && column <= bottomRight.column()) {
            invalidateIdentityIndex();
            return;
        }
    }
}

} // namespace TarnTool
