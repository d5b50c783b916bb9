#pragma once

#include <functional>

namespace TARN {

// The outcome of one device operation: whether the device took it and, if not, the library's code.
struct OperationOutcome
{
    bool ok = false;
    int error = 0;
};

// Runs a device operation on a thread of its own while the calling thread's event loop goes on, so
// a window keeps painting through the library's retries (up to six seconds for a silent device).
// Returns when the operation has ended. `op` returns the library call's bool; the error code is read
// on the same thread right after a false, since the library keeps its last error per thread.
//
// `op` must not touch widgets or models. While it runs, events reach every widget: the caller keeps
// the user away from what must not change meanwhile (a modal progress dialog, disabled buttons).
OperationOutcome runOperation(const std::function<bool()> &op, const std::function<int()> &lastError);

} // namespace TARN
