// libFuzzer harness: the flattened-RTFD reader takes any bytes and gives text or a clean error; a folder it
// reads serialises to bytes that read back as the same folder.
#include "platform/text/RTFDCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<RTFCodec::AttachmentFiles> folder = RTFDCodec::parseFolder(bytes);
    if (folder) {
        const std::optional<RTFCodec::AttachmentFiles> again =
            RTFDCodec::parseFolder(RTFDCodec::serialiseFolder(*folder));
        if (!again || *again != *folder) __builtin_trap();
    }
    const std::optional<AttributedString> text = RTFDCodec::read(bytes);
    if (text) RTFDCodec::write(*text);
    return 0;
}
