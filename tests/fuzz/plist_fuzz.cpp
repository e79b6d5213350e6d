// libFuzzer harness: the property-list reader takes any bytes and gives a value or a clean error.
#include "platform/PlistCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QVariant value = PlistCodec::decode(bytes);
    if (value.isValid()) {
        QByteArray again;
        PlistCodec::encode(value, &again, PlistCodec::Format::Xml);
        PlistCodec::encode(value, &again, PlistCodec::Format::Binary);
    }
    return 0;
}
