#pragma once

#include <QByteArray>
#include <QtEndian>

namespace TarnTool {

// Bytes of a binary file format with little-endian fields, built by appending.
class LittleEndianBytes
{
public:
    void u8(quint8 v) { m_data.append(char(v)); }
    void u16(quint16 v) { append(v); }
    void u32(quint32 v) { append(v); }
    void u64(quint64 v) { append(v); }
    void raw(const QByteArray &bytes) { m_data.append(bytes); }
    void zeros(int count) { m_data.append(count, '\0'); }
    int size() const { return m_data.size(); }
    const QByteArray &data() const { return m_data; }
    void reserve(int size) { m_data.reserve(size); }
    void clear() { m_data.clear(); }

private:
    template <typename T>
    void append(T v)
    {
        char b[sizeof(T)];
        qToLittleEndian(v, b);
        m_data.append(b, int(sizeof(T)));
    }

    QByteArray m_data;
};

} // namespace TarnTool
