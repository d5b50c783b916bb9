#pragma once

#include <functional>

#include "discovery/operationrunner.h"

class QWidget;

namespace TarnTool::Recovery {

// Runs one library call of a recovery dialog off the GUI thread, so the window keeps painting
// through the library's retries. Meanwhile `content` and the frame's Confirm and Cancel are
// disabled and the cursor shows the wait; the dialogs refuse to close while `content` is disabled.
TARN::OperationOutcome runDeviceCall(QWidget *dialog, QWidget *content, const std::function<bool()> &call);

} // namespace TarnTool::Recovery
