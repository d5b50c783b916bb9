#include "discovery/operationrunner.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

namespace TARN {

OperationOutcome runOperation(const std::function<bool()> &op, const std::function<int()> &lastError)
{
    OperationOutcome outcome;
    std::unique_ptr<QThread> worker(QThread::create([&outcome, &op, &lastError] {
        outcome.ok = op();
        if (!outcome.ok)
            outcome.error = lastError();
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    // An application exit may end the nested loop early; the call itself still runs to its end.
    if (!worker->isFinished())
        loop.exec();
    worker->wait();
    return outcome;
}

} // namespace TARN
