#include "cli/batchjournal.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QJsonDocument>

#include "discovery/devicefields.h"
#include "discovery/devicesteps.h"

namespace TarnCli {

QString BatchJournal::folder()
{
    QString state = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/tarntool/journal");
}

bool BatchJournal::open(const QString &command, QString *error)
{
    const QString dir = folder();
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot make the folder %1").arg(dir);
        return false;
    }
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString name = QStringLiteral("%1-%2-%3.jsonl")
                             .arg(command, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
                             .arg(QCoreApplication::applicationPid());
    m_file.setFileName(dir + QLatin1Char('/') + name);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = m_file.errorString();
        return false;
    }
    write({{QStringLiteral("event"), QStringLiteral("start")}, {QStringLiteral("command"), command}});
    return true;
}

void BatchJournal::write(QJsonObject entry)
{
    if (!m_file.isOpen())
        return;
    entry.insert(QStringLiteral("time"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
    m_file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
    // On disk before the next device is touched: a journal is for the batch that did not end.
    m_file.flush();
    ::fdatasync(m_file.handle());
}

QJsonObject BatchJournal::describe(const TARN_NETWORK_PARAMS &p)
{
    using TARN::fieldText;
    return {{QStringLiteral("dhcp"), p.dhcpEnabled == 1},
            {QStringLiteral("ip"), fieldText(p.ipv4Address)},
            {QStringLiteral("mask"), fieldText(p.ipv4SubnetMask)},
            {QStringLiteral("gateway"), fieldText(p.ipv4Gateway)},
            {QStringLiteral("port"), int(p.port)},
            {QStringLiteral("http_port"), int(p.httpPort)},
            {QStringLiteral("ipv6"), fieldText(p.ipv6Address)},
            {QStringLiteral("ipv6_gateway"), fieldText(p.ipv6Gateway)},
            {QStringLiteral("ipv6_prefix"), int(p.ipv6PrefixLength)}};
}

void BatchJournal::planned(int index, const TARN_DEVICE_INFO &device, const QJsonObject &target)
{
    TARN_NETWORK_PARAMS now{};
    TARN::netParamsOf(device, &now);
    QJsonObject entry{{QStringLiteral("event"), QStringLiteral("planned")},
                      {QStringLiteral("index"), index},
                      {QStringLiteral("serial"), TARN::serialOf(device)},
                      {QStringLiteral("mac"), TARN::macOf(device)},
                      {QStringLiteral("holds"), describe(now)}};
    if (!target.isEmpty())
        entry.insert(QStringLiteral("target"), target);
    write(entry);
}

void BatchJournal::sent(int index)
{
    write({{QStringLiteral("event"), QStringLiteral("sent")}, {QStringLiteral("index"), index}});
}

void BatchJournal::finished(int index, const QString &outcome, int error, const QString &address)
{
    QJsonObject entry{{QStringLiteral("event"), QStringLiteral("finished")},
                      {QStringLiteral("index"), index},
                      {QStringLiteral("outcome"), outcome},
                      {QStringLiteral("address"), address}};
    if (error != 0)
        entry.insert(QStringLiteral("error"), error);
    write(entry);
}

void BatchJournal::ended(int done, int total, bool stopped)
{
    write({{QStringLiteral("event"), QStringLiteral("end")},
           {QStringLiteral("done"), done},
           {QStringLiteral("total"), total},
           {QStringLiteral("stopped"), stopped}});
}

} // namespace TarnCli
