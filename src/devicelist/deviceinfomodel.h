#pragma once

#include <unordered_map>

#include <QList>
#include <QStandardItemModel>
#include <QString>
#include <QVector>

#include "common/xmlnode.h"
#include "tarn.h"
#include "tarn_identity.h"

namespace TarnTool {

// The live device table: one row per device, 23 columns of text built from the library's record.
// Columns have a fixed logical id and a model column; "ColumnConfig.xml" maps one to the other, and
// every reader goes through columnOf(). The user's own layout is in the settings folder; while it is
// missing or cannot be read, the default beside the program is used.
class DeviceInfoModel : public QStandardItemModel
{
    Q_OBJECT

public:
    enum ColumnId {
        IdCheck, IdNumber, IdDeviceType, IdActivate, IdIPv4Address, IdPort, IdSoftVersion,
        IdIPv4Gateway, IdHttpPort, IdSerialNumber, IdIPv4Mask, IdMac, IdChannelCount, IdDspVersion,
        IdStartTime, IdIPv6Address, IdIPv6Gateway, IdIPv6PrefixLength, IdSupportIPv6,
        IdSupportModIPv6, IdSupportDhcp, IdIPv4Dhcp, IdProtocol,
        ColumnIdCount
    };
    // Layouts written before the protocol column came lack it; they are read and widened.
    static constexpr int PreviousColumnIdCount = IdProtocol;

    // A relative `configFile` names the user's layout in the settings folder (settingsPath()) and
    // the default beside the program; an absolute one is both.
    explicit DeviceInfoModel(QObject *parent = nullptr,
                             const QString &configFile = QStringLiteral("ColumnConfig.xml"));

    // The model column of a logical id, or -1 for an id outside 0 to 22.
    int columnOf(int id) const;

    void addDevice(const TARN_DEVICE_INFO *record);
    // Rewrites the texts of the first row with the record's serial number and MAC text.
    void updateDevice(const TARN_DEVICE_INFO *record);
    // Removes that row and numbers the rows from its position down again.
    void removeDevice(const TARN_DEVICE_INFO *record);
    // The same for many devices at once: neighbouring rows leave together and the numbers are
    // written once, where one removal at a time costs the views a pass over every row each.
    void removeDevices(const QVector<TARN_DEVICE_INFO> &records);
    // Records a header drag from one visual position to another in the file and saves it. The
    // columns in memory stay where they are; the next start places them from the file. A file that
    // was there but could not be read as a column layout is never replaced: it is moved aside
    // (".unreadable-" and the time behind its name) before the layout is saved, and where even
    // that cannot be done, or the file is a symbolic link, the layout is kept in memory only.
    void moveColumn(int logicalIndex, int fromVisual, int toVisual);
    // False when the file cannot be opened. The map answers every id with a distinct column in any
    // case: entries that are missing, out of range or taken twice get the id's own column, or the
    // first free one.
    bool loadColumnConfig();
    // Where an unreadable file was moved, once a drag has moved it; empty otherwise.
    QString keptAsidePath() const { return m_keptAside; }

    QString configFilePath() const { return m_configPath; }
    // The first row with this serial number and MAC text, or -1.
    int findRow(const QString &serial, const QString &mac);
    int findRow(const tarn::DeviceIdentity &id);

private:
    // Texts and the activation colour of ids 2 to 21, on the row's cells indexed by model column.
    void setRowTexts(const QList<QStandardItem *> &cells, const TARN_DEVICE_INFO &record);
    void setUpHeader();
    void rebuildConfigDocument();
    // Sets the "ID" text of every row from `position` down to its position, counted from 1.
    void renumberFrom(int position);

    // The row lookup keeps an index from identity to the rows' serial number cells, trusted only
    // while no other change could have deleted, moved or rewritten them; otherwise it is rebuilt
    // on the next lookup.
    void invalidateIdentityIndex();
    void rebuildIdentityIndex();
    // The identity of a row's cells; false for a row whose cells no record could have written.
    bool rowIdentity(int row, tarn::DeviceIdentity *out) const;
    void forgetIdentityCell(const tarn::DeviceIdentity &id, QStandardItem *cell);
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);

    // Whether the file at the path may be replaced: it is missing, or was read as a column layout.
    enum class ConfigFile { Missing, Ours, NotOurs, Link };
    void saveColumnConfig();
    // Reads a layout file into the map and the document, repairing what it must; true when the
    // file is a layout of ours as it stands, else `why` says what is wrong with it.
    bool readLayout(const QString &path, bool *opened, QString *why);

    XmlNode m_columnConfig;
    QString m_configPath;
    QString m_defaultPath;
    ConfigFile m_configFile = ConfigFile::Missing;
    QString m_keptAside;
    QVector<int> m_columnMap;

    QVector<QString> m_numbers;  // "001", "002", ... made once
    std::unordered_map<tarn::DeviceIdentity, QVector<QStandardItem *>, tarn::DeviceIdentityHash> m_identityCells;
    bool m_identityIndexValid = true;
    bool m_ownChange = false;
};

} // namespace TarnTool
