// libFuzzer harness: the property-list reader takes any bytes and gives a value or a clean error,
// and what it reads writes back: reading what was written and writing it again gives the same bytes.
#include "platform/PlistCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QVariant value = PlistCodec::decode(bytes);
    if (!value.isValid()) return 0;
    for (auto format : {PlistCodec::Format::Xml, PlistCodec::Format::Binary}) {
        QByteArray once, twice;
        if (!PlistCodec::encode(value, &once, format)) {
            if (format == PlistCodec::Format::Binary) __builtin_trap();
            continue; // XML refuses a NUL character
        }
        if (!PlistCodec::encode(PlistCodec::decode(once), &twice, format) || twice != once) __builtin_trap();
    }
    return 0;
}
