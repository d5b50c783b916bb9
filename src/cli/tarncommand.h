#pragma once

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

#include "discovery/batchrunner.h"
#include "tarn.h"

class QCommandLineParser;

namespace TARN {
class TarnHandler;
}

namespace TarnCli {

class DeviceScan;

// The command line `tarn`: discovery for scripts and the window's device operations without the
// window, on the same libraries and rules. Data goes to standard output, progress and messages to
// standard error.
class TarnCommand
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    enum ExitCode {
        AllDone = 0,
        SomeFailed = 1,  // at least one device did not take the operation, or its outcome is unknown
        BadInput = 2,    // bad arguments, plan or password, or a device not found: nothing was sent
    };

    explicit TarnCommand(FILE *out = stdout, FILE *err = stderr);
    ~TarnCommand();

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    int run(const QStringList &arguments);

    // The top-level help: the commands, the exit codes and a plan file.
    static QString overview();

private:
    int list(const QStringList &arguments);
    int activate(const QStringList &arguments);
    int setNet(const QStringList &arguments);
    int keyRequest(const QStringList &arguments);
    int reset(const QStringList &arguments);
    int restore(const QStringList &arguments);
    int exportList(const QStringList &arguments);

    // Parses a command's arguments after adding the options all commands share. Answers -1 to go
    // on, or the exit code when the parse failed or help was asked for.
    int parse(QCommandLineParser &parser, const QString &synopsis, const QStringList &arguments);
    // Starts discovery on the interface the options name and waits for the devices: the --wait
    // seconds, or until every serial number in `wanted` is found. False when discovery cannot start.
    bool discover(const QCommandLineParser &parser, const QStringList &wanted = {});
    // The devices with these serial numbers in the order given; reports those not found.
    bool devicesNamed(const QStringList &serials, QVector<TARN_DEVICE_INFO> *devices);
    // The found device with this serial number; reports it when missing.
    bool deviceNamed(const QString &serial, TARN_DEVICE_INFO *device);
    // A new admin password from the --password-file source, checked by the password rule.
    bool newPassword(const QCommandLineParser &parser, QByteArray *password);

    // Runs the steps with progress on standard error, then prints one line per device and answers
    // the exit code.
    int runBatch(const QVector<TARN::BatchStep> &steps, const QVector<TARN_DEVICE_INFO> &devices, bool activation);

    void print(const QString &text);
    void complain(const QString &text);
    static QString errorText(int code);

    FILE *m_out;
    FILE *m_err;
    std::unique_ptr<TARN::TarnHandler> m_handler;
    std::unique_ptr<DeviceScan> m_scan;
};

} // namespace TarnCli
