#pragma once

#include <QByteArray>
#include <QString>

namespace TarnTool {

// A compound file (the container of Office 97-2003 documents, version 3 with 512-byte sectors)
// that holds one stream below its root. The stream is padded to at least 4096 bytes so it lives in
// regular sectors and the file needs no mini stream; readers stop at the stream's own end marker.
class CompoundFile
{
public:
    static constexpr int SectorSize = 512;
    static constexpr int MiniStreamCutoff = 4096;

    // `name` is at most 31 characters. False when the name is too long or the stream too large
    // for a version 3 file.
    static bool build(const QString &name, const QByteArray &stream, QByteArray *file, QString *error = nullptr);
};

} // namespace TarnTool
