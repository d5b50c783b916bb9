#include "cli/netplan.h"

#include <cstring>
#include <unordered_set>

#include <QHash>
#include <QPair>
#include <QTextCodec>

#include "common/addressplan.h"
#include "common/netparamcheck.h"
#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"

namespace TarnCli {

namespace {

constexpr int MaxRows = 10000;

enum Column { Serial, Mac, Ip, Mask, Gateway, Port, HttpPort, Dhcp, Ipv6, Ipv6Gateway, Ipv6Prefix };

// Header names, as a spreadsheet's user is likely to write them.
int columnOf(const QString &header)
{
    static const QHash<QString, int> names = {
        {QStringLiteral("serial"), Serial},       {QStringLiteral("sn"), Serial},
        {QStringLiteral("mac"), Mac},             {QStringLiteral("ip"), Ip},
        {QStringLiteral("address"), Ip},          {QStringLiteral("mask"), Mask},
        {QStringLiteral("gateway"), Gateway},     {QStringLiteral("port"), Port},
        {QStringLiteral("http_port"), HttpPort},  {QStringLiteral("http"), HttpPort},
        {QStringLiteral("dhcp"), Dhcp},           {QStringLiteral("ipv6"), Ipv6},
        {QStringLiteral("ipv6_gateway"), Ipv6Gateway}, {QStringLiteral("ipv6_prefix"), Ipv6Prefix},
    };
    return names.value(header.trimmed().toLower().replace(QLatin1Char('-'), QLatin1Char('_')), -1);
}

QString *fieldOf(PlanRow &row, int column)
{
    switch (column) {
    case Serial: return &row.serial;
    case Mac: return &row.mac;
    case Ip: return &row.ip;
    case Mask: return &row.mask;
    case Gateway: return &row.gateway;
    case Port: return &row.port;
    case HttpPort: return &row.httpPort;
    case Dhcp: return &row.dhcp;
    case Ipv6: return &row.ipv6;
    case Ipv6Gateway: return &row.ipv6Gateway;
    case Ipv6Prefix: return &row.ipv6Prefix;
    }
    return nullptr;
}

// One record of the file with the line it starts on. Quoted fields may hold separators, doubled
// quotes and line breaks (RFC 4180).
struct Record
{
    int line = 0;
    QStringList fields;
};

bool splitRecords(const QString &text, QChar separator, QVector<Record> *records, int *badLine)
{
    int line = 1;
    int i = 0;
    const int n = text.size();
    while (i < n) {
        Record record;
        record.line = line;
        QString field;
        bool quoted = false;
        bool endOfRecord = false;
        while (i < n && !endOfRecord) {
            const QChar c = text.at(i);
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        field += c;
                        ++i;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                }
            } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
                field.clear();
                quoted = true;
            } else if (c == separator) {
                record.fields << field;
                field.clear();
            } else if (c == QLatin1Char('\n')) {
                endOfRecord = true;
                ++line;
            } else if (c != QLatin1Char('\r')) {
                field += c;
            }
            ++i;
        }
        if (quoted) {
            *badLine = record.line;
            return false;
        }
        record.fields << field;
        records->append(record);
    }
    return true;
}

bool isBlank(const Record &record)
{
    for (const QString &field : record.fields) {
        if (!field.trimmed().isEmpty())
            return false;
    }
    return true;
}

// "on"/"off" and the usual spellings; -1 when the text is none of them.
int dhcpValue(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("on") || t == QLatin1String("yes") || t == QLatin1String("1") || t == QLatin1String("true"))
        return 1;
    if (t == QLatin1String("off") || t == QLatin1String("no") || t == QLatin1String("0") || t == QLatin1String("false"))
        return 0;
    return -1;
}

// MAC texts as people write them: either case, colons or dashes.
QString macKey(const QString &mac)
{
    return mac.trimmed().toLower().replace(QLatin1Char(':'), QLatin1Char('-'));
}

QString at(int line, const QString &message)
{
    return NetPlan::tr("line %1: %2").arg(line).arg(message);
}

QString nameOf(const TARN_DEVICE_INFO &device)
{
    return TARN::serialOf(device);
}

// An ONVIF device is changed with the site's credentials, and only once they opened it.
QString unreadOnvif(const TARN_DEVICE_INFO &device)
{
    if (device.protocol != TARN_PROTOCOL_ONVIF || !TARN::macOf(device).isEmpty())
        return QString();
    return NetPlan::tr("the ONVIF device %1 could not be read: give its user name with --user and the password "
                       "that opens it.")
        .arg(nameOf(device));
}

} // namespace

bool NetPlan::parse(const QByteArray &bytes, QVector<PlanRow> *rows, QStringList *errors)
{
    rows->clear();
    QTextCodec::ConverterState state;
    QByteArray raw = bytes;
    if (raw.startsWith("\xEF\xBB\xBF"))
        raw.remove(0, 3);
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(raw.constData(), raw.size(), &state);
    if (state.invalidChars > 0) {
        *errors << tr("The plan file is not UTF-8 text.");
        return false;
    }
    const int firstBreak = text.indexOf(QLatin1Char('\n'));
    const QString firstLine = text.left(firstBreak < 0 ? text.size() : firstBreak);
    const QChar separator = !firstLine.contains(QLatin1Char(',')) && firstLine.contains(QLatin1Char(';'))
        ? QLatin1Char(';') : QLatin1Char(',');
    QVector<Record> records;
    int badLine = 0;
    if (!splitRecords(text, separator, &records, &badLine)) {
        *errors << at(badLine, tr("a quoted field is not closed."));
        return false;
    }

    QVector<int> columns;
    int headerLine = 0;
    for (const Record &record : records) {
        if (isBlank(record) || record.fields.first().trimmed().startsWith(QLatin1Char('#')))
            continue;
        if (columns.isEmpty()) {
            headerLine = record.line;
            for (const QString &header : record.fields) {
                const int column = columnOf(header);
                if (column < 0)
                    *errors << at(record.line, tr("unknown column \"%1\".").arg(header.trimmed()));
                else if (columns.contains(column))
                    *errors << at(record.line, tr("the column \"%1\" is given twice.").arg(header.trimmed()));
                columns << column;
            }
            if (!columns.contains(Serial) && !columns.contains(Mac))
                *errors << at(record.line, tr("the header names neither a serial nor a mac column."));
            if (!errors->isEmpty())
                return false;
            continue;
        }
        if (rows->size() >= MaxRows) {
            *errors << at(record.line, tr("a plan holds at most %1 devices.").arg(MaxRows));
            return false;
        }
        if (record.fields.size() > columns.size()) {
            *errors << at(record.line, tr("the row has %1 fields, the header %2.").arg(record.fields.size()).arg(columns.size()));
            continue;
        }
        PlanRow row;
        row.line = record.line;
        for (int i = 0; i < record.fields.size(); ++i)
            *fieldOf(row, columns.at(i)) = record.fields.at(i).trimmed();

        QStringList problems;
        if (row.serial.isEmpty() && row.mac.isEmpty())
            problems << tr("the row names no device: give its serial or its mac.");
        const bool dhcpOn = dhcpValue(row.dhcp) == 1;
        if (!row.dhcp.isEmpty() && dhcpValue(row.dhcp) < 0)
            problems << tr("dhcp is \"%1\"; write on or off.").arg(row.dhcp);
        if (dhcpOn && !(row.ip.isEmpty() && row.mask.isEmpty() && row.gateway.isEmpty()))
            problems << tr("a device under DHCP takes its addresses from the server: leave ip, mask and gateway empty.");
        if (!row.ip.isEmpty())
            problems << NetParamCheck::ipAddress(row.ip);
        if (!row.mask.isEmpty())
            problems << NetParamCheck::subnetMask(row.mask);
        if (!row.gateway.isEmpty())
            problems << NetParamCheck::gateway(row.gateway);
        if (!row.port.isEmpty())
            problems << NetParamCheck::port(row.port);
        if (!row.httpPort.isEmpty())
            problems << NetParamCheck::httpPort(row.httpPort, true);
        if (!row.ipv6.isEmpty())
            problems << NetParamCheck::ipv6Address(row.ipv6);
        if (!row.ipv6Gateway.isEmpty())
            problems << NetParamCheck::ipv6Gateway(row.ipv6Gateway);
        if (!row.ipv6Prefix.isEmpty())
            problems << NetParamCheck::ipv6PrefixLength(row.ipv6Prefix);
        for (const QString &problem : qAsConst(problems)) {
            if (!problem.isEmpty())
                *errors << at(row.line, problem);
        }
        rows->append(row);
    }
    if (columns.isEmpty())
        *errors << tr("The plan file has no header line.");
    else if (rows->isEmpty() && errors->isEmpty())
        *errors << at(headerLine, tr("the plan names no devices."));
    return errors->isEmpty();
}

QVector<PlannedChange> NetPlan::resolve(const QVector<PlanRow> &rows, const QVector<TARN_DEVICE_INFO> &found,
                                        QStringList *errors)
{
    QHash<QString, int> bySerial, byMac;
    for (int i = 0; i < found.size(); ++i) {
        bySerial.insert(TARN::serialOf(found.at(i)), i);
        byMac.insert(macKey(TARN::macOf(found.at(i))), i);
    }
    QVector<PlannedChange> changes;
    QHash<int, int> lineOfDevice;  // found index -> plan line
    // Problems in line order, however late the check that finds them.
    QVector<QPair<int, QString>> problems;
    auto problem = [&problems](int line, const QString &message) { problems.append({line, message}); };
    for (const PlanRow &row : rows) {
        const int s = row.serial.isEmpty() ? -2 : bySerial.value(row.serial, -1);
        const int m = row.mac.isEmpty() ? -2 : byMac.value(macKey(row.mac), -1);
        if (s == -1 || m == -1) {
            problem(row.line, s == -1 ? tr("no device with the serial number %1 was found.").arg(row.serial)
                                           : tr("no device with the MAC address %1 was found.").arg(row.mac));
            continue;
        }
        if (s >= 0 && m >= 0 && s != m) {
            problem(row.line, tr("the serial number %1 and the MAC address %2 are two different devices.")
                                        .arg(row.serial, row.mac));
            continue;
        }
        const int index = s >= 0 ? s : m;
        const TARN_DEVICE_INFO &device = found.at(index);
        if (lineOfDevice.contains(index)) {
            problem(row.line, tr("the device %1 is already planned on line %2.")
                                        .arg(nameOf(device)).arg(lineOfDevice.value(index)));
            continue;
        }
        lineOfDevice.insert(index, row.line);

        PlannedChange change;
        change.line = row.line;
        change.device = device;
        TARN::netParamsOf(device, &change.params);
        TARN_NETWORK_PARAMS &p = change.params;
        if (device.activationState == TARN_NOT_ACTIVATED)
            problem(row.line, tr("the device %1 is not activated yet: activate it first.").arg(nameOf(device)));
        if (const QString why = unreadOnvif(device); !why.isEmpty())
            problem(row.line, why);
        if (!row.port.isEmpty() && device.protocol == TARN_PROTOCOL_ONVIF)
            problem(row.line, tr("the ONVIF device %1 has no device port: leave port empty.").arg(nameOf(device)));
        const bool addressGiven = !row.ip.isEmpty() || !row.mask.isEmpty() || !row.gateway.isEmpty();
        // A row that gives an address means a fixed one, also for a device that is under DHCP now:
        // sent with DHCP on, the address would be dropped without a word.
        if (addressGiven && row.dhcp.isEmpty())
            p.dhcpEnabled = 0;
        if (!row.dhcp.isEmpty()) {
            p.dhcpEnabled = quint8(dhcpValue(row.dhcp));
            if (p.dhcpEnabled && !(device.capabilityFlags & TARN_CAP_DHCP))
                problem(row.line, tr("the device %1 does not support DHCP.").arg(nameOf(device)));
        }
        if (!row.ip.isEmpty())
            TARN::setFieldText(p.ipv4Address, row.ip);
        if (!row.mask.isEmpty())
            TARN::setFieldText(p.ipv4SubnetMask, row.mask);
        if (!row.gateway.isEmpty())
            TARN::setFieldText(p.ipv4Gateway, row.gateway);
        if (!row.port.isEmpty())
            p.port = quint16(NetParamCheck::numberOf(row.port));
        if (!row.httpPort.isEmpty()) {
            if (device.httpPort == 0)
                problem(row.line, tr("the device %1 has no web page: leave http_port empty.").arg(nameOf(device)));
            p.httpPort = quint16(NetParamCheck::numberOf(row.httpPort));
        }
        if (!row.ipv6.isEmpty() || !row.ipv6Gateway.isEmpty() || !row.ipv6Prefix.isEmpty()) {
            if (!(device.capabilityFlags & TARN_CAP_MODIFY_IPV6))
                problem(row.line, tr("the device %1 cannot change its IPv6 settings.").arg(nameOf(device)));
            if ((!row.ipv6.isEmpty() && !TARN::setFieldText(p.ipv6Address, row.ipv6))
                || (!row.ipv6Gateway.isEmpty() && !TARN::setFieldText(p.ipv6Gateway, row.ipv6Gateway)))
                problem(row.line, tr("an IPv6 text is longer than a device takes."));
            if (!row.ipv6Prefix.isEmpty())
                p.ipv6PrefixLength = quint8(NetParamCheck::numberOf(row.ipv6Prefix));
        }
        if (!p.dhcpEnabled && addressGiven) {
            const QString ip = TARN::fieldText(p.ipv4Address);
            const QString mask = TARN::fieldText(p.ipv4SubnetMask);
            const QString gateway = TARN::fieldText(p.ipv4Gateway);
            if (!AddressPlan::isDeviceAddress(ip, mask, gateway))
                problem(row.line, tr("%1 is not an address a device takes in the subnet %2 (it is the "
                                           "subnet's network or broadcast address, ends in .0 or .255, or is the gateway).")
                                            .arg(ip, mask));
            else if (!gateway.isEmpty() && gateway != QLatin1String("0.0.0.0")
                     && !AddressPlan::sameSubnet(ip, gateway, mask))
                problem(row.line, tr("the address %1 is outside the subnet of the gateway %2 with the mask %3.")
                                            .arg(ip, gateway, mask));
        }
        changes << change;
    }

    freeAddresses(changes, found, problem);
    std::stable_sort(problems.begin(), problems.end(),
                     [](const QPair<int, QString> &a, const QPair<int, QString> &b) { return a.first < b.first; });
    for (const auto &p : qAsConst(problems))
        *errors << at(p.first, p.second);
    if (!problems.isEmpty())
        changes.clear();
    return changes;
}

void NetPlan::freeAddresses(const QVector<PlannedChange> &changes, const QVector<TARN_DEVICE_INFO> &found,
                            const std::function<void(int, const QString &)> &problem)
{
    // Addresses after the plan: the planned ones, and those of the devices it leaves alone.
    QHash<QString, QString> holder;  // address -> who holds it, for the message
    std::unordered_set<std::string> planned;
    for (const PlannedChange &change : changes)
        planned.insert(TARN::identityOf(change.device).key());
    for (const TARN_DEVICE_INFO &device : found) {
        if (!planned.count(TARN::identityOf(device).key()) && device.dhcpEnabled != 1)
            holder.insert(TARN::fieldText(device.ipv4Address),
                          tr("the device %1, which the plan leaves alone").arg(nameOf(device)));
    }
    for (const PlannedChange &change : changes) {
        if (change.params.dhcpEnabled)
            continue;
        const QString ip = TARN::fieldText(change.params.ipv4Address);
        if (holder.contains(ip))
            problem(change.line, tr("the address %1 is also given to %2.").arg(ip, holder.value(ip)));
        else
            holder.insert(ip, change.line > 0 ? tr("line %1").arg(change.line) : nameOf(change.device));
    }
}

QVector<PlannedChange> NetPlan::consecutive(const QString &start, const QString &mask, const QString &gateway,
                                            const QVector<TARN_DEVICE_INFO> &devices,
                                            const QVector<TARN_DEVICE_INFO> &found, QStringList *errors)
{
    QVector<PlannedChange> changes;
    for (const QString &problem : {NetParamCheck::startAddress(start), NetParamCheck::subnetMask(mask),
                                   NetParamCheck::gateway(gateway)}) {
        if (!problem.isEmpty())
            *errors << problem;
    }
    if (!errors->isEmpty())
        return changes;
    const AddressPlan plan = AddressPlan::make(start, mask, gateway, devices.size());
    if (!plan.ok()) {
        *errors << plan.message(devices.size());
        return changes;
    }
    for (int i = 0; i < devices.size(); ++i) {
        PlannedChange change;
        change.device = devices.at(i);
        if (change.device.activationState == TARN_NOT_ACTIVATED)
            *errors << tr("The device %1 is not activated yet: activate it first.").arg(nameOf(change.device));
        if (const QString why = unreadOnvif(change.device); !why.isEmpty())
            *errors << why.left(1).toUpper() + why.mid(1);
        TARN::netParamsOf(change.device, &change.params);
        TARN::setFieldText(change.params.ipv4Address, plan.addresses().at(i));
        TARN::setFieldText(change.params.ipv4SubnetMask, mask.trimmed());
        TARN::setFieldText(change.params.ipv4Gateway, gateway.trimmed());
        change.params.dhcpEnabled = 0;
        changes << change;
    }
    freeAddresses(changes, found, [errors](int, const QString &message) {
        *errors << message.left(1).toUpper() + message.mid(1);
    });
    if (!errors->isEmpty())
        changes.clear();
    return changes;
}

QString NetPlan::describe(const PlannedChange &change)
{
    TARN_NETWORK_PARAMS now;
    TARN::netParamsOf(change.device, &now);
    const TARN_NETWORK_PARAMS &to = change.params;
    QStringList parts;
    auto text = [&parts](const char *name, const QString &from, const QString &into) {
        if (from != into)
            parts << QStringLiteral("%1 %2 -> %3").arg(QLatin1String(name), from.isEmpty() ? QStringLiteral("-") : from,
                                                      into.isEmpty() ? QStringLiteral("-") : into);
    };
    auto onOff = [](int v) { return v == 1 ? QStringLiteral("on") : QStringLiteral("off"); };
    text("dhcp", onOff(now.dhcpEnabled), onOff(to.dhcpEnabled));
    if (!to.dhcpEnabled) {
        text("ip", TARN::fieldText(now.ipv4Address), TARN::fieldText(to.ipv4Address));
        text("mask", TARN::fieldText(now.ipv4SubnetMask), TARN::fieldText(to.ipv4SubnetMask));
        text("gateway", TARN::fieldText(now.ipv4Gateway), TARN::fieldText(to.ipv4Gateway));
    }
    text("port", QString::number(now.port), QString::number(to.port));
    text("http_port", QString::number(now.httpPort), QString::number(to.httpPort));
    text("ipv6", TARN::fieldText(now.ipv6Address), TARN::fieldText(to.ipv6Address));
    text("ipv6_gateway", TARN::fieldText(now.ipv6Gateway), TARN::fieldText(to.ipv6Gateway));
    text("ipv6_prefix", QString::number(now.ipv6PrefixLength), QString::number(to.ipv6PrefixLength));
    return parts.join(QStringLiteral(", "));
}

} // namespace TarnCli
