#pragma once

#include <functional>

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVector>

#include "tarn.h"

class QEventLoop;

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

// Runs device operations one after another, in the given order, each off the GUI thread, while the
// window keeps painting. Reports "device n of N", can be stopped after the current device, and
// settles an operation that ended with "no answer" (2011) by asking the devices to announce
// themselves again: the device may have taken the change and only its answer was lost.
} // namespace TARN

Q_DECLARE_METATYPE(TARN::StepResult)

namespace TARN {

class BatchRunner : public QObject
{
    Q_OBJECT

public:
    explicit BatchRunner(TarnHandler *handler, QObject *parent = nullptr);

    // How long to wait for the announcement after "no answer"; the inquiry's three rounds end
    // within about 2.6 seconds.
    void setResolveTimeout(int ms) { m_resolveMs = ms; }

    // Returns when every step has run or the batch was stopped; one result per step.
    QVector<StepResult> run(const QVector<BatchStep> &steps);
    bool isRunning() const { return m_running; }

public slots:
    // The current device's operation runs to its end; the devices after it are not touched.
    void stop();

signals:
    // Before each device: its position from 1, the batch size and its address.
    void progress(int position, int total, const QString &address);
    // The call of step `index` (from 0) is about to be sent.
    void stepSent(int index);
    // Step `index` has ended with this result.
    void stepFinished(int index, const TARN::StepResult &result);

private slots:
    void onAnnouncement(const TARN_DEVICE_INFO &record);

private:
    StepResult runStep(const BatchStep &step);

    TarnHandler *m_handler;
    int m_resolveMs = 3000;
    bool m_running = false;
    bool m_stopRequested = false;

    // The device of the current step, and what its announcements have shown meanwhile.
    const BatchStep *m_current = nullptr;
    bool m_seen = false;
    bool m_took = false;
    QEventLoop *m_wait = nullptr;
};

} // namespace TARN
