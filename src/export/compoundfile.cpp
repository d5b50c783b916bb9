#include "export/compoundfile.h"

#include <QVector>

#include "export/littleendianbytes.h"

namespace TarnTool {

namespace {

constexpr quint32 FreeSector = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSector = 0xFFFFFFFD;
constexpr quint32 DifatSector = 0xFFFFFFFC;
constexpr quint32 NoStream = 0xFFFFFFFF;
constexpr int EntriesPerSector = CompoundFile::SectorSize / 4;
constexpr int HeaderDifatEntries = 109;

void appendDirectoryEntry(LittleEndianBytes *out, const QString &name, quint8 type, quint32 child,
                          quint32 start, quint32 size)
{
    for (QChar c : name)
        out->u16(c.unicode());
    out->zeros(64 - 2 * name.size());
    out->u16(name.isEmpty() ? 0 : quint16(2 * (name.size() + 1)));
    out->u8(type);
    out->u8(name.isEmpty() ? 0 : 1);  // black: a tree of one node
    out->u32(NoStream);               // left sibling
    out->u32(NoStream);               // right sibling
    out->u32(child);
    out->zeros(16 + 4 + 8 + 8);       // class id, state bits, creation and modification times
    out->u32(start);
    out->u32(size);
    out->u32(0);                      // high half of the size: 0 in version 3
}

} // namespace

bool CompoundFile::build(const QString &name, const QByteArray &stream, QByteArray *file, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (name.isEmpty() || name.size() > 31)
        return fail(QStringLiteral("stream name \"%1\" is not 1 to 31 characters").arg(name));
    // Version 3 files address at most 2^32 sectors, and QByteArray holds under 2 GiB anyway.
    if (stream.size() > 0x40000000)
        return fail(QStringLiteral("a stream of %1 bytes is too large").arg(stream.size()));

    QByteArray body = stream;
    if (body.size() < MiniStreamCutoff)
        body.append(QByteArray(MiniStreamCutoff - body.size(), '\0'));
    const quint32 streamSize = quint32(body.size());
    if (body.size() % SectorSize)
        body.append(QByteArray(SectorSize - body.size() % SectorSize, '\0'));

    // Sectors: the stream, one directory sector, the FAT, then the DIFAT sectors that list the FAT
    // sectors the header has no room for. The FAT covers itself, so grow it until it is enough.
    const int streamSectors = body.size() / SectorSize;
    int fatSectors = 0;
    int difatSectors = 0;
    for (;;) {
        const int total = streamSectors + 1 + fatSectors + difatSectors;
        const int needFat = (total + EntriesPerSector - 1) / EntriesPerSector;
        const int extra = qMax(0, needFat - HeaderDifatEntries);
        const int needDifat = (extra + EntriesPerSector - 2) / (EntriesPerSector - 1);
        if (needFat == fatSectors && needDifat == difatSectors)
            break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const quint32 directoryStart = quint32(streamSectors);
    const quint32 fatStart = directoryStart + 1;
    const quint32 difatStart = fatStart + quint32(fatSectors);
    const int totalSectors = streamSectors + 1 + fatSectors + difatSectors;

    QVector<quint32> fat(fatSectors * EntriesPerSector, FreeSector);
    for (int i = 0; i < streamSectors; ++i)
        fat[i] = (i + 1 < streamSectors) ? quint32(i + 1) : EndOfChain;
    fat[directoryStart] = EndOfChain;
    for (int i = 0; i < fatSectors; ++i)
        fat[fatStart + i] = FatSector;
    for (int i = 0; i < difatSectors; ++i)
        fat[difatStart + i] = DifatSector;

    LittleEndianBytes out;
    out.reserve((totalSectors + 1) * SectorSize);
    static const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    out.raw(QByteArray(reinterpret_cast<const char *>(signature), 8));
    out.zeros(16);      // class id
    out.u16(0x003E);    // minor version
    out.u16(0x0003);    // major version 3
    out.u16(0xFFFE);    // little-endian
    out.u16(9);         // 512-byte sectors
    out.u16(6);         // 64-byte mini sectors
    out.zeros(6);
    out.u32(0);         // directory sectors: always 0 in version 3
    out.u32(quint32(fatSectors));
    out.u32(directoryStart);
    out.u32(0);         // transactions unused
    out.u32(MiniStreamCutoff);
    out.u32(EndOfChain);  // no mini FAT
    out.u32(0);
    out.u32(difatSectors ? difatStart : EndOfChain);
    out.u32(quint32(difatSectors));
    for (int i = 0; i < HeaderDifatEntries; ++i)
        out.u32(i < fatSectors ? fatStart + quint32(i) : FreeSector);

    out.raw(body);
    appendDirectoryEntry(&out, QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    appendDirectoryEntry(&out, name, 2, NoStream, 0, streamSize);
    appendDirectoryEntry(&out, QString(), 0, NoStream, 0, 0);
    appendDirectoryEntry(&out, QString(), 0, NoStream, 0, 0);
    for (quint32 next : fat)
        out.u32(next);
    for (int d = 0; d < difatSectors; ++d) {
        for (int i = 0; i < EntriesPerSector - 1; ++i) {
            const int fatIndex = HeaderDifatEntries + d * (EntriesPerSector - 1) + i;
            out.u32(fatIndex < fatSectors ? fatStart + quint32(fatIndex) : FreeSector);
        }
        out.u32(d + 1 < difatSectors ? difatStart + quint32(d + 1) : EndOfChain);
    }
    *file = out.data();
    return true;
}

} // namespace TarnTool
