// The records kept in the suite: a damaged file must decode or fail, and whatever decodes must
// be stored and read back unchanged.
#include "settings/accountsettings.h"
#include "settings/frequency.h"
#include "settings/suite.h"

#include <QTemporaryDir>

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    static Suite defaults(folder.filePath(QStringLiteral("CVNSuite.conf")));
    const QByteArray stored(reinterpret_cast<const char*>(data), qsizetype(size));

    if (const auto accounts = decodeAccountMap(stored, defaults); accounts.ok()) {
        const auto again = decodeAccountMap(encodeAccountMap(accounts.value()), defaults);
        if (!again.ok() || !(again.value() == accounts.value()))
            __builtin_trap();
    }
    if (const auto bots = decodeBots(stored, defaults); bots.ok()) {
        const QByteArray encoded = encodeBots(bots.value());
        const auto again = decodeBots(encoded, defaults);
        if (!again.ok() || encodeBots(again.value()) != encoded)
            __builtin_trap();
    }
    if (const auto frequency = decodeFrequencySelection(stored); frequency.ok()) {
        const auto again = decodeFrequencySelection(encodeFrequencySelection(frequency.value()));
        if (!again.ok() || !(again.value() == frequency.value()))
            __builtin_trap();
    }
    return 0;
}
