#pragma once

#include <functional>

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QList>
#include <QVector>

#include "tarn.h"

class QEventLoop;
class QTimer;

namespace TARN {

class TarnHandler;

// One device's share of a batch.
struct BatchStep
{
    QString mac;      // whose announcements tell whether an unanswered operation took
    QString address;  // what the progress line names the device by
    // The library call. Runs on a thread of its own: it must not touch widgets, models or the store.
    // Empty when the device already holds what the step would give it: nothing is sent.
    std::function<bool(TarnHandler *handler)> call;
    // Asked on the runner's thread just before the call is sent: a reason not to send it (the
    // address has been taken meanwhile, say), or an empty text.
    std::function<QString()> blocked;
    // Whether an announcement of the device shows the operation's effect.
    std::function<bool(const TARN_DEVICE_INFO &announced)> took;
};

struct StepResult
{
    enum Outcome {
        NotRun,   // the batch was stopped before this device
        Done,     // the device took the operation (its answer said so, or its announcement did)
        Failed,   // the device refused, or did not answer and then announced itself unchanged
        Unknown,  // no answer, and no announcement since: whether it took cannot be told
        Unchanged, // the device already held the values: nothing was sent
    };
    Outcome outcome = NotRun;
    int error = 0;          // the library's code when the call failed, also when it took after all
    bool resolved = false;  // decided by the device's announcement after "no answer"
    QString reason;         // why a Failed step was not sent at all
};

} // namespace TARN

Q_DECLARE_METATYPE(TARN::StepResult)

namespace TARN {

// Runs a batch's device operations, up to `parallelism` at a time, each off the GUI thread, while
// the window keeps painting. Steps start in the given order and each device is in one operation at
// a time; results come back in the same order whatever order the devices answer in. An operation
// that ended with "no answer" (2011) is settled by the device's announcement: the device may have
// taken the change and only its answer was lost. Stopping lets the running operations end; the
// steps not started are not run.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    explicit BatchRunner(TarnHandler *handler, QObject *parent = nullptr);
    ~BatchRunner() override;

    // How long to wait for the announcement after "no answer", from the inquiry that asks for it;
    // the inquiry's three rounds end within about 2.6 seconds.
    void setResolveTimeout(int ms) { m_resolveMs = ms; }
    // How many operations may be in flight at once; 1 runs one device after another.
    void setParallelism(int n) { m_parallelism = qMax(1, n); }
    int parallelism() const { return m_parallelism; }
    // The number of operations in flight that a TaskThread setting asks for: -1, 0 or absent, 8.
    static int parallelismOf(int taskThread);

    // Returns when every step has run or the batch was stopped; one result per step.
    QVector<StepResult> run(const QVector<BatchStep> &steps);
    bool isRunning() const { return m_running; }

public slots:
    // The running operations run to their end; the steps after them are not touched.
    void stop();

signals:
    // As each step starts: its position from 1, the batch size and its address.
    void progress(int position, int total, const QString &address);
    // How many steps have ended, of how many.
    void counted(int done, int total);
    // The call of step `index` (from 0) is about to be sent.
    void stepSent(int index);
    // Step `index` has ended with this result.
    void stepFinished(int index, const TARN::StepResult &result);

private slots:
    void onAnnouncement(const TARN_DEVICE_INFO &record);

private:
    struct Flight;
    void launch();
    void callEnded(Flight *flight);
    void settle(Flight *flight);
    void askDevices();
    void finish(Flight *flight, const StepResult &result);
    void finish(int index, const StepResult &result);

    TarnHandler *m_handler;
    int m_resolveMs = 3000;
    int m_parallelism = 1;
    bool m_running = false;
    bool m_stopRequested = false;

    const QVector<BatchStep> *m_steps = nullptr;
    QVector<StepResult> m_results;
    int m_next = 0;
    int m_done = 0;
    QList<Flight *> m_flights;
    QEventLoop *m_loop = nullptr;
    // Inquiries that settle steps: one search at a time, so that each asks every device anew.
    QTimer *m_inquiryTimer = nullptr;
    qint64 m_lastInquiry = 0;
};

} // namespace TARN
