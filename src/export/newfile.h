#pragma once

#include <QByteArray>
#include <QString>

namespace TarnTool {

// Writes `content` as the new file `path`: first into a temporary file beside it, then renamed into
// place, so a failed or interrupted export leaves no half-written file. An existing file of that
// name is never replaced. False, with the reason in `error`, on any failure.
bool writeNewFile(const QString &path, const QByteArray &content, QString *error = nullptr);

} // namespace TarnTool
