// libFuzzer harness: the RTF reader takes any bytes and gives text or a clean error; text it reads
// writes back and reads again.
#include "platform/text/RTFCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<AttributedString> text = RTFCodec::read(bytes);
    if (text) {
        RTFCodec::AttachmentFiles files;
        const QByteArray again = RTFCodec::write(*text, &files);
        const std::optional<AttributedString> back = RTFCodec::read(again, nullptr, files);
        if (!back || back->string() != text->string()) __builtin_trap();
    }
    return 0;
}
