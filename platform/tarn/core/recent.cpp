#include "recent.h"

#include <cstring>

#include <sodium.h>

namespace tarn {

DatagramDigest digestDatagram(std::string_view datagram, std::string &key)
{
    if (key.empty()) {
        key.assign(crypto_generichash_KEYBYTES, '\0');
        randombytes_buf(key.data(), key.size());
    }
    unsigned char out[16];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(datagram.data()), datagram.size(),
                       reinterpret_cast<const unsigned char *>(key.data()), key.size());
    DatagramDigest digest;
    std::memcpy(digest.data(), out, sizeof out);
    return digest;
}

} // namespace tarn
