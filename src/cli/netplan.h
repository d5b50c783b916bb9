#pragma once

#include <functional>

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

#include "tarn.h"

namespace TarnCli {

// One row of a plan file: the device it names and the settings to give it, as written. An empty
// setting keeps what the device holds.
struct PlanRow
{
    int line = 0;
    QString serial;
    QString mac;
    QString ip;
    QString mask;
    QString gateway;
    QString port;
    QString httpPort;
    QString dhcp;
    QString ipv6;
    QString ipv6Gateway;
    QString ipv6Prefix;
};

// What one device is to be given; `line` is the plan file's line, 0 for addresses counted from a
// start address.
struct PlannedChange
{
    int line = 0;
    TARN_DEVICE_INFO device{};
    TARN_NETWORK_PARAMS params{};
};

// Network plans, checked whole before anything is sent: a plan with one bad row is refused with
// every problem named by its line, since a half-applied site plan leaves clashing addresses behind.
class NetPlan
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::NetPlan)

public:
    // The largest plan file read; a site plan is a few kilobytes.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    // Reads a plan file: UTF-8 comma-separated values (semicolons where the header has no comma),
    // a header line naming the columns, then one row per device; blank lines and lines starting
    // with "#" are skipped. Field checks that need no device run here. False with `errors` filled
    // when anything is wrong.
    static bool parse(const QByteArray &text, QVector<PlanRow> *rows, QStringList *errors);

    // Matches the rows with the devices found and checks the plan as a whole: every device found
    // once, settings it can take, addresses inside the subnet of their gateway and free, no address
    // given twice. The changes in plan order, or none with `errors` filled.
    static QVector<PlannedChange> resolve(const QVector<PlanRow> &rows, const QVector<TARN_DEVICE_INFO> &found,
                                          QStringList *errors);

    // Consecutive addresses from `start` for `devices` in the order given, as the window's batch
    // gives them; ports and the rest stay. None, with `errors` filled, when the plan does not hold,
    // an address among them held by one of the other devices `found` included.
    static QVector<PlannedChange> consecutive(const QString &start, const QString &mask, const QString &gateway,
                                              const QVector<TARN_DEVICE_INFO> &devices,
                                              const QVector<TARN_DEVICE_INFO> &found, QStringList *errors);

    // What a change alters, for a dry run: "ip 192.0.0.64 -> 10.1.0.5, port 8000 -> 8001", or an
    // empty text when the device already holds every value.
    static QString describe(const PlannedChange &change);

private:
    // Reports each planned fixed address that is given twice, or held by a device of `found` the
    // plan leaves alone.
    static void freeAddresses(const QVector<PlannedChange> &changes, const QVector<TARN_DEVICE_INFO> &found,
                              const std::function<void(int, const QString &)> &problem);
};

} // namespace TarnCli
