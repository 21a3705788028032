// Feeds the scheme-file reader arbitrary bytes and converts every member the
// way the window does before putting it into the spin boxes.
#include "schemes/schemefile.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QJsonObject schemes;
    schemes.insert(QStringLiteral("untouched"), 1);
    const SchemeParse result = parseSchemeBytes(bytes, &schemes);
    if (result != SchemeParse::Ok) {
        // A file that could not be read leaves the schemes as they were.
        check(schemes.size() == 1 && schemes.contains(QStringLiteral("untouched")));
        return 0;
    }

    // The list shows every name and a click looks its record up by name.
    const QStringList names = schemes.keys();
    for (const QString &name : names)
        check(schemes.contains(name));

    for (auto it = schemes.constBegin(); it != schemes.constEnd(); ++it) {
        const SchemeValues values = schemeValues(it.value());
        // Whatever the record holds, the conversion yields plain integers;
        // a record written back from them must read back the same.
        const QJsonObject record = schemeRecord(values.open, values.close, values.cycle);
        const SchemeValues again = schemeValues(record);
        check(again.open == values.open && again.close == values.close
              && again.cycle == values.cycle);
    }

    // What the program writes, it reads back with the same values under the
    // same names.
    QJsonObject reread;
    check(parseSchemeBytes(serialiseSchemes(schemes), &reread) == SchemeParse::Ok);
    for (auto it = schemes.constBegin(); it != schemes.constEnd(); ++it) {
        check(reread.contains(it.key()));
        const SchemeValues before = schemeValues(it.value());
        const SchemeValues after = schemeValues(reread.value(it.key()));
        check(before.open == after.open && before.close == after.close
              && before.cycle == after.cycle);
    }
    return 0;
}
