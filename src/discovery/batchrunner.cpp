#include "discovery/batchrunner.h"

#include <QEventLoop>
#include <QTimer>

#include "discovery/devicefields.h"
#include "discovery/operationrunner.h"
#include "discovery/tarnhandler.h"

namespace TARN {

BatchRunner::BatchRunner(TarnHandler *handler, QObject *parent)
    : QObject(parent)
    , m_handler(handler)
{
    qRegisterMetaType<TARN::StepResult>();
    // Queued: the handler emits on the library's thread.
    connect(m_handler, &TarnHandler::signalDeviceOnline, this, &BatchRunner::onAnnouncement, Qt::QueuedConnection);
    connect(m_handler, &TarnHandler::signalDeviceUpdate, this, &BatchRunner::onAnnouncement, Qt::QueuedConnection);
}

void BatchRunner::stop()
{
    if (m_running)
        m_stopRequested = true;
}

QVector<StepResult> BatchRunner::run(const QVector<BatchStep> &steps)
{
    QVector<StepResult> results(steps.size());
    if (m_running)
        return results;  // one batch at a time; the caller keeps the buttons away meanwhile
    m_running = true;
    m_stopRequested = false;
    for (int i = 0; i < steps.size() && !m_stopRequested; ++i) {
        const BatchStep &step = steps.at(i);
        emit progress(i + 1, steps.size(), step.address);
        StepResult &result = results[i];
        if (!step.call) {
            result.outcome = StepResult::Unchanged;
        } else if (step.blocked && !(result.reason = step.blocked()).isEmpty()) {
            result.outcome = StepResult::Failed;
        } else {
            emit stepSent(i);
            result = runStep(step);
        }
        emit stepFinished(i, result);
    }
    m_running = false;
    m_stopRequested = false;
    return results;
}

StepResult BatchRunner::runStep(const BatchStep &step)
{
    m_current = &step;
    m_seen = false;
    m_took = false;
    TarnHandler *handler = m_handler;
    const OperationOutcome outcome = runOperation([&step, handler] { return step.call(handler); },
                                                  [handler] { return handler->getLastError(); });
    StepResult result;
    result.error = outcome.ok ? 0 : outcome.error;
    if (outcome.ok) {
        result.outcome = StepResult::Done;
    } else if (outcome.error != TARN_ERR_TIMEOUT) {
        result.outcome = StepResult::Failed;
    } else {
        // A device announces itself after each change, so its announcement may already be here.
        if (!m_took) {
            m_seen = false;
            m_handler->sendInquiry();
            QEventLoop wait;
            QTimer::singleShot(m_resolveMs, &wait, &QEventLoop::quit);
            m_wait = &wait;
            wait.exec();
            m_wait = nullptr;
        }
        result.resolved = m_took || m_seen;
        result.outcome = m_took ? StepResult::Done : m_seen ? StepResult::Failed : StepResult::Unknown;
    }
    m_current = nullptr;
    return result;
}

void BatchRunner::onAnnouncement(const TARN_DEVICE_INFO &record)
{
    if (!m_current || macOf(record) != m_current->mac)
        return;
    m_seen = true;
    if (m_current->took && m_current->took(record)) {
        m_took = true;
        if (m_wait)
            m_wait->quit();
    }
}

} // namespace TARN
