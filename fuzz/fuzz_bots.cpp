// The bots answer of the platform: any bytes decode or fail, nothing else.
#include "platform_api/botrecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto decoded =
        corvane::decodeBotModel(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!decoded.ok() && decoded.error().isEmpty())
        __builtin_trap(); // a failure always says why
    return 0;
}
