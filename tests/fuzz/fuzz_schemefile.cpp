// Reads arbitrary bytes as a scheme file and converts every member as the window does.
#include "schemes/schemefile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

const auto check = [](bool condition) { return condition ? void() : std::abort(); };
const auto record = [](const SchemeValues &v) { return schemeRecord(v.open, v.close, v.cycle); };

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QJsonObject untouched{ { QStringLiteral("untouched"), 1 } };
    QJsonObject schemes = untouched;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    if (parseSchemeBytes(bytes, &schemes) != SchemeParse::Ok) {
        check(schemes == untouched); // a file not read leaves the schemes as they were
        return 0;
    }
    // What the program writes it reads back, the same values under the same names.
    QJsonObject reread;
    check(parseSchemeBytes(serialiseSchemes(schemes), &reread) == SchemeParse::Ok);
    for (auto it = schemes.constBegin(); it != schemes.constEnd(); ++it) {
        // Found by its name, any record gives integers that a record written back keeps.
        const QJsonObject written = record(schemeValues(it.value()));
        check(schemes.contains(it.key()) && reread.contains(it.key()));
        check(record(schemeValues(reread.value(it.key()))) == written);
        check(record(schemeValues(written)) == written);
    }
    return 0;
}
