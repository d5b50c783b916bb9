#include "export/compoundfile.h"

#include <QVector>
#include <QtEndian>

namespace TarnTool {

namespace {

constexpr quint32 FreeSector = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSector = 0xFFFFFFFD;
constexpr quint32 DifatSector = 0xFFFFFFFC;
constexpr quint32 NoStream = 0xFFFFFFFF;
constexpr int EntriesPerSector = CompoundFile::SectorSize / 4;
constexpr int HeaderDifatEntries = 109;
constexpr int DirectoryEntrySize = 128;

void put16(QByteArray &data, int at, quint16 v)
{
    qToLittleEndian(v, data.data() + at);
}

void put32(QByteArray &data, int at, quint32 v)
{
    qToLittleEndian(v, data.data() + at);
}

QByteArray directoryEntry(const QString &name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    QByteArray e(DirectoryEntrySize, '\0');
    for (int i = 0; i < name.size(); ++i)
        put16(e, 2 * i, name.at(i).unicode());
    put16(e, 64, quint16(2 * (name.size() + 1)));
    e[66] = char(type);
    e[67] = 1;  // black: a tree of one node
    put32(e, 68, NoStream);
    put32(e, 72, NoStream);
    put32(e, 76, child);
    put32(e, 116, start);
    put32(e, 120, size);
    return e;
}

QByteArray unusedEntry()
{
    QByteArray e(DirectoryEntrySize, '\0');
    put32(e, 68, NoStream);
    put32(e, 72, NoStream);
    put32(e, 76, NoStream);
    return e;
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

    QByteArray header(SectorSize, '\0');
    static const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (int i = 0; i < 8; ++i)
        header[i] = char(signature[i]);
    put16(header, 0x18, 0x003E);  // minor version
    put16(header, 0x1A, 0x0003);  // major version 3
    put16(header, 0x1C, 0xFFFE);  // little-endian
    put16(header, 0x1E, 9);       // 512-byte sectors
    put16(header, 0x20, 6);       // 64-byte mini sectors
    put32(header, 0x2C, quint32(fatSectors));
    put32(header, 0x30, directoryStart);
    put32(header, 0x38, MiniStreamCutoff);
    put32(header, 0x3C, EndOfChain);  // no mini FAT
    put32(header, 0x44, difatSectors ? difatStart : EndOfChain);
    put32(header, 0x48, quint32(difatSectors));
    for (int i = 0; i < HeaderDifatEntries; ++i)
        put32(header, 0x4C + 4 * i, i < fatSectors ? fatStart + quint32(i) : FreeSector);

    QByteArray out;
    out.reserve((totalSectors + 1) * SectorSize);
    out.append(header);
    out.append(body);
    out.append(directoryEntry(QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0));
    out.append(directoryEntry(name, 2, NoStream, 0, streamSize));
    out.append(unusedEntry());
    out.append(unusedEntry());
    QByteArray fatBytes(fat.size() * 4, '\0');
    for (int i = 0; i < fat.size(); ++i)
        put32(fatBytes, 4 * i, fat.at(i));
    out.append(fatBytes);
    for (int d = 0; d < difatSectors; ++d) {
        QByteArray sector(SectorSize, '\0');
        for (int i = 0; i < EntriesPerSector - 1; ++i) {
            const int fatIndex = HeaderDifatEntries + d * (EntriesPerSector - 1) + i;
            put32(sector, 4 * i, fatIndex < fatSectors ? fatStart + quint32(fatIndex) : FreeSector);
        }
        put32(sector, SectorSize - 4, d + 1 < difatSectors ? difatStart + quint32(d + 1) : EndOfChain);
        out.append(sector);
    }
    *file = out;
    return true;
}

} // namespace TarnTool
