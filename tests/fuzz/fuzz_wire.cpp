// Fuzz target for the protocol decoder and the recovery formats: anything decoded must encode again and decode to the same
// message (decode-encode-decode), and nothing may crash or read out of bounds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/identity.h"
#include "core/recovery.h"
#include "core/wire.h"

namespace {

void roundTrip(const std::string &datagram)
{
    using namespace tarn::wire;
    auto first = decode(datagram);
    if (auto *message = std::get_if<Message>(&first)) {
        const auto encoded = encode(*message);
        if (!encoded)
            std::abort();  // every decoded message must be writable again
        auto second = decode(*encoded);
        auto *again = std::get_if<Message>(&second);
        if (!again || encode(*again) != encoded)
            std::abort();
    }
    if (auto body = decodeOperationBody(datagram)) {
        const auto encoded = encodeBody(*body);
        if (!encoded || !decodeOperationBody(*encoded))
            std::abort();
    }
    if (auto result = decodeResultBody(datagram)) {
        if (!encodeBody(*result) || !decodeResultBody(*encodeBody(*result)))
            std::abort();
    }
    // Key requests and keys arrive as files and typed text.
    tarn::recovery::ParseError error = tarn::recovery::ParseError::None;
    if (auto request = tarn::recovery::parse(datagram, &error)) {
        if (!tarn::recovery::parse(tarn::recovery::toFileBytes(*request))
            || !tarn::recovery::parse(tarn::recovery::toText(*request)))
            std::abort();
    }
    tarn::recovery::parseKeyText(datagram);
    tarn::identity::parseTrustedMakers(datagram, nullptr);
    normaliseMac(datagram);
    fromBase64(datagram, 64);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    roundTrip(std::string(reinterpret_cast<const char *>(data), size));
    return 0;
}
