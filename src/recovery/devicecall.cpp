#include "recovery/devicecall.h"

#include <QGuiApplication>
#include <QPushButton>

#include "discovery/tarnhandler.h"

namespace TarnTool::Recovery {

namespace {
void setBusy(QWidget *dialog, QWidget *content, bool busy)
{
    content->setEnabled(!busy);
    for (const char *name : {"btnConfirm", "btnCancel"}) {
        if (auto *button = dialog->findChild<QPushButton *>(QLatin1String(name)))
            button->setEnabled(!busy);
    }
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}
} // namespace

TARN::OperationOutcome runDeviceCall(QWidget *dialog, QWidget *content, const std::function<bool()> &call)
{
    setBusy(dialog, content, true);
    const TARN::OperationOutcome outcome =
        TARN::runOperation(call, [] { return TARN::TarnHandler::instance()->getLastError(); });
    setBusy(dialog, content, false);
    return outcome;
}

} // namespace TarnTool::Recovery
