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

class BatchJournal;
class DeviceScan;

enum ExitCode {
    AllDone = 0,
    SomeFailed = 1,  // at least one device did not take the operation, or its outcome is unknown
    BadInput = 2,    // bad arguments, plan or password, or a device not found: nothing was sent
};

// What every command of `tarn` shares: the options all of them take (--iface, --wait), the
// output streams, discovery and the devices it found, password input, and a batch with its report.
// Each command is a subclass in a file of its own.
class Command
{
    Q_DECLARE_TR_FUNCTIONS(TarnCli::TarnCommand)

public:
    Command(FILE *out, FILE *err);
    virtual ~Command();
    Q_DISABLE_COPY(Command)

    // `arguments` are the program's name, then the command's own arguments.
    virtual int run(const QStringList &arguments) = 0;

    // A search ends sooner, once it has what it needs: this is for lossy networks.
    static constexpr int DefaultWaitSeconds = 10;
    static constexpr int MaxWaitSeconds = 3600;
    // A search's three inquiries a second apart, and the answers to the last one.
    static constexpr int AnswerWindowMs = 3000;
    static constexpr int MaxJobs = 64;
    // The longest password a device takes.
    static constexpr int PasswordMaxLength = 16;

protected:
    // Parses a command's arguments after adding the options all commands share. Answers -1 to go
    // on, or the exit code when the parse failed or help was asked for.
    int parse(QCommandLineParser &parser, const QString &synopsis, const QStringList &arguments);
    // Starts discovery on the interface the options name and looks for devices (DeviceScan::search)
    // for at most the --wait seconds: until every serial number in `wanted` is found, but at least
    // `minimumMs`, or without `wanted` until no new device answers. False when discovery cannot start.
    bool discover(const QCommandLineParser &parser, const QStringList &wanted = {}, int minimumMs = 0);
    // The devices with these serial numbers in the order given; reports those not found.
    bool devicesNamed(const QStringList &serials, QVector<TARN_DEVICE_INFO> *devices);
    // The found device with this serial number; reports it when missing.
    bool deviceNamed(const QString &serial, TARN_DEVICE_INFO *device);
    // A new admin password from the --password-file source, checked by the password rule.
    bool newPassword(const QCommandLineParser &parser, QByteArray *password);
    // The password rule as the window states it.
    static QString passwordRuleText();

    // Adds --user, the user name for ONVIF devices (their reads and changes), to a command.
    static void addUserOption(QCommandLineParser &parser);
    // The site's credentials for ONVIF devices that discover() passes on: --user and `password`.
    void useSiteCredentials(const QCommandLineParser &parser, const QByteArray &password);
    // For commands that only read: --user and --password-file. readSiteCredentials() reads the
    // password when --user is given; false (and said why) when it cannot.
    static void addSiteOptions(QCommandLineParser &parser);
    bool readSiteCredentials(const QCommandLineParser &parser);

    // Adds --jobs to a batch command's options; jobs() reads it after the parse, -1 when it is bad.
    static void addJobsOption(QCommandLineParser &parser);
    int jobs(const QCommandLineParser &parser);

    // Runs the steps with progress on standard error, `m_jobs` at a time, then prints one line per
    // device in the steps' order and answers the exit code. Each device's plan, request and outcome
    // go to `journal` when it is open.
    int runBatch(const QVector<TARN::BatchStep> &steps, const QVector<TARN_DEVICE_INFO> &devices, bool activation,
                 BatchJournal *journal);
    static QString outcomeText(const TARN::StepResult &result, bool activation);
    // Opens the journal of a batch and says where it is; a batch runs on without one.
    bool startJournal(const QString &command, BatchJournal *journal);

    void print(const QString &text);
    void complain(const QString &text);
    static QString errorText(int code);

    // Terminal columns a text takes, and the text padded to `width` of them.
    static int displayWidth(const QString &text);
    static QString padded(const QString &text, int width);
    // Devices in the order of their addresses, as the window's table sorts them.
    static QVector<TARN_DEVICE_INFO> byAddress(QVector<TARN_DEVICE_INFO> devices);

    FILE *m_out;
    FILE *m_err;
    int m_jobs = 0;  // devices worked on at once; 0 until a batch command reads it
    QString m_siteUser;
    QByteArray m_sitePassword;
    std::unique_ptr<TARN::TarnHandler> m_handler;
    std::unique_ptr<DeviceScan> m_scan;
};

} // namespace TarnCli
