#include "common/secretbytes.h"

#include <cstring>

namespace {

// The compiler may not drop these stores: the memory is read through a volatile pointer.
void wipe(void *data, std::size_t size)
{
    volatile unsigned char *p = static_cast<volatile unsigned char *>(data);
    while (size--)
        *p++ = 0;
}

} // namespace

void wipeSecret(QByteArray &bytes)
{
    // Through constData(): data() would detach a shared buffer and wipe only a fresh copy.
    if (!bytes.isEmpty())
        wipe(const_cast<char *>(bytes.constData()), std::size_t(bytes.size()));
    bytes.clear();
}
