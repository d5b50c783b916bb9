#include "discovery/batchrunner.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "discovery/devicefields.h"
#include "discovery/operationrunner.h"
#include "discovery/tarnhandler.h"

namespace TARN {

namespace {

// A search asks every device only in its first round; later rounds name the devices already
// known, which then stay quiet. An inquiry that is to hear a known device again waits until the
// previous search's rounds are over.
constexpr qint64 kSearchMs = 2500;
constexpr int kDefaultParallelism = 8;
constexpr int kMaxParallelism = 64;

QString canonical(const QString &mac)
{
    return QString::fromStdString(tarn::canonicalMac(mac.toStdString()));
}

qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

// One step whose call has gone out: its worker thread, and what the device has shown since.
struct BatchRunner::Flight
{
    int index = 0;
    QString mac;
    QThread *thread = nullptr;
    OperationOutcome outcome;
    bool took = false;      // an announcement showed the step's effect
    bool settling = false;  // no answer: waiting for the device to announce itself
    bool asked = false;     // the inquiry for it has gone out
    bool seen = false;      // it announced itself since
    QTimer *deadline = nullptr;
};

BatchRunner::BatchRunner(TarnHandler *handler, QObject *parent)
    : QObject(parent)
    , m_handler(handler)
    , m_inquiryTimer(new QTimer(this))
{
    qRegisterMetaType<TARN::StepResult>();
    m_inquiryTimer->setSingleShot(true);
    connect(m_inquiryTimer, &QTimer::timeout, this, &BatchRunner::askDevices);
    // Queued: the handler emits on the library's thread.
    connect(m_handler, &TarnHandler::signalDeviceOnline, this, &BatchRunner::onAnnouncement, Qt::QueuedConnection);
    connect(m_handler, &TarnHandler::signalDeviceUpdate, this, &BatchRunner::onAnnouncement, Qt::QueuedConnection);
}

BatchRunner::~BatchRunner() = default;

int BatchRunner::parallelismOf(int taskThread)
{
    return taskThread <= 0 ? kDefaultParallelism : qMin(taskThread, kMaxParallelism);
}

void BatchRunner::stop()
{
    if (m_running)
        m_stopRequested = true;
}

QVector<StepResult> BatchRunner::run(const QVector<BatchStep> &steps)
{
    if (m_running)
        return QVector<StepResult>(steps.size());  // one batch at a time; the caller keeps the buttons away
    m_running = true;
    m_stopRequested = false;
    m_steps = &steps;
    m_results = QVector<StepResult>(steps.size());
    m_next = 0;
    m_done = 0;
    QEventLoop loop;
    m_loop = &loop;
    launch();
    if (!m_flights.isEmpty())
        loop.exec();
    // An application exit may end the loop early; the calls still run to their end.
    while (!m_flights.isEmpty()) {
        Flight *flight = m_flights.takeFirst();
        if (flight->thread) {
            flight->thread->wait();
            delete flight->thread;
        }
        StepResult &result = m_results[flight->index];
        result.outcome = flight->outcome.ok ? StepResult::Done : StepResult::Unknown;
        result.error = flight->outcome.error;
        flight->deadline->deleteLater();
        delete flight;
    }
    m_loop = nullptr;
    m_steps = nullptr;
    m_inquiryTimer->stop();
    m_running = false;
    m_stopRequested = false;
    return std::move(m_results);
}

void BatchRunner::launch()
{
    const QVector<BatchStep> &steps = *m_steps;
    while (!m_stopRequested && m_next < steps.size() && m_flights.size() < m_parallelism) {
        const BatchStep &step = steps.at(m_next);
        const QString mac = canonical(step.mac);
        // One operation per device at a time; the steps behind it wait, so that they start in order.
        if (std::any_of(m_flights.cbegin(), m_flights.cend(), [&mac](const Flight *f) { return f->mac == mac; }))
            break;
        const int index = m_next++;
        emit progress(index + 1, steps.size(), step.address);
        StepResult result;
        if (!step.call) {
            result.outcome = StepResult::Unchanged;
            finish(index, result);
            continue;
        }
        if (step.blocked && !(result.reason = step.blocked()).isEmpty()) {
            result.outcome = StepResult::Failed;
            finish(index, result);
            continue;
        }
        auto *flight = new Flight;
        flight->index = index;
        flight->mac = mac;
        flight->deadline = new QTimer(this);
        flight->deadline->setSingleShot(true);
        connect(flight->deadline, &QTimer::timeout, this, [this, flight] {
            StepResult late;
            late.error = flight->outcome.error;
            late.resolved = flight->seen;
            late.outcome = flight->seen ? StepResult::Failed : StepResult::Unknown;
            finish(flight, late);
        });
        m_flights << flight;
        emit stepSent(index);
        TarnHandler *handler = m_handler;
        flight->thread = QThread::create([flight, &step, handler] {
            flight->outcome.ok = step.call(handler);
            // The library keeps its last error per thread: read it on this one, right after.
            if (!flight->outcome.ok)
                flight->outcome.error = handler->getLastError();
        });
        connect(flight->thread, &QThread::finished, this, [this, flight] { callEnded(flight); }, Qt::QueuedConnection);
        flight->thread->start();
    }
    if (m_loop && m_flights.isEmpty() && (m_stopRequested || m_next >= steps.size()))
        m_loop->quit();
}

void BatchRunner::callEnded(Flight *flight)
{
    flight->thread->wait();
    delete flight->thread;
    flight->thread = nullptr;
    StepResult result;
    result.error = flight->outcome.ok ? 0 : flight->outcome.error;
    if (flight->outcome.ok) {
        result.outcome = StepResult::Done;
    } else if (flight->outcome.error != TARN_ERR_TIMEOUT) {
        result.outcome = StepResult::Failed;
    } else if (flight->took) {
        // A device announces itself after each change, so its announcement may already be here.
        result.outcome = StepResult::Done;
        result.resolved = true;
    } else {
        settle(flight);
        return;
    }
    finish(flight, result);
}

void BatchRunner::settle(Flight *flight)
{
    flight->settling = true;
    askDevices();
}

void BatchRunner::askDevices()
{
    const qint64 now = monotonicMs();
    if (m_lastInquiry != 0 && now - m_lastInquiry < kSearchMs) {
        if (!m_inquiryTimer->isActive())
            m_inquiryTimer->start(int(m_lastInquiry + kSearchMs - now));
        return;
    }
    bool waiting = false;
    for (Flight *flight : qAsConst(m_flights)) {
        if (flight->settling && !flight->asked) {
            flight->asked = true;
            flight->seen = false;
            flight->deadline->start(m_resolveMs);
            waiting = true;
        }
    }
    if (waiting) {
        m_lastInquiry = now;
        m_handler->sendInquiry();
    }
}

void BatchRunner::onAnnouncement(const TARN_DEVICE_INFO &record)
{
    if (m_flights.isEmpty())
        return;
    const QString mac = canonical(macOf(record));
    for (Flight *flight : qAsConst(m_flights)) {
        if (flight->mac != mac)
            continue;
        if (flight->asked)
            flight->seen = true;
        const BatchStep &step = m_steps->at(flight->index);
        if (step.took && step.took(record)) {
            flight->took = true;
            if (flight->settling) {
                StepResult result;
                result.error = flight->outcome.error;
                result.outcome = StepResult::Done;
                result.resolved = true;
                finish(flight, result);
            }
        }
        return;
    }
}

void BatchRunner::finish(int index, const StepResult &result)
{
    m_results[index] = result;
    emit stepFinished(index, result);
    emit counted(++m_done, m_steps->size());
}

void BatchRunner::finish(Flight *flight, const StepResult &result)
{
    m_flights.removeOne(flight);
    const int index = flight->index;
    // It may be the deadline's own signal that ends the step.
    flight->deadline->stop();
    flight->deadline->deleteLater();
    delete flight;
    finish(index, result);
    launch();
}

} // namespace TARN
