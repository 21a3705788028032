// Feeds the scheme-file reader arbitrary bytes and converts every member the way the window
// does before putting it into the spin boxes.
#include "schemes/schemefile.h"

#include <QByteArray>
#include <QJsonValue>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

const auto check = [](bool condition) { return condition ? void() : std::abort(); };
const auto same = [](const SchemeValues &a, const SchemeValues &b) {
    return a.open == b.open && a.close == b.close && a.cycle == b.cycle;
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QJsonObject schemes{ { QStringLiteral("untouched"), 1 } };
    if (parseSchemeBytes(bytes, &schemes) != SchemeParse::Ok) {
        // A file that could not be read leaves the schemes as they were.
        check(schemes.size() == 1 && schemes.contains(QStringLiteral("untouched")));
        return 0;
    }
    // The list shows every name and a click looks its record up by name.
    for (const QString &name : schemes.keys())
        check(schemes.contains(name));

    // What the program writes, it reads back with the same values under the same names.
    QJsonObject reread;
    check(parseSchemeBytes(serialiseSchemes(schemes), &reread) == SchemeParse::Ok);
    for (auto it = schemes.constBegin(); it != schemes.constEnd(); ++it) {
        // Whatever the record holds, the conversion yields plain integers that a record
        // written back from them keeps.
        const SchemeValues values = schemeValues(it.value());
        check(same(schemeValues(schemeRecord(values.open, values.close, values.cycle)), values));
        check(reread.contains(it.key()) && same(schemeValues(reread.value(it.key())), values));
    }
    return 0;
}
