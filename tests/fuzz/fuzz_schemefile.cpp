// Any bytes as a scheme file; every member converted as the window does.
#include "schemefile.h"

#include <cstdlib>

const auto check = [](bool ok) { return ok ? void() : std::abort(); };
const auto record = [](const SchemeValues &values) { return schemeRecord(values); };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonObject untouched{ { "untouched", 1 } };
    QJsonObject schemes = untouched, reread;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    if (parseSchemeBytes(bytes, &schemes) != SchemeParse::Ok) {
        check(schemes == untouched);
        return 0;
    }
    // Written, read back: the same values under the same names.
    check(parseSchemeBytes(serialiseSchemes(schemes), &reread) == SchemeParse::Ok);
    for (auto it = schemes.constBegin(); it != schemes.constEnd(); ++it) {
        // Any record gives integers a record written back keeps.
        const auto written = record(schemeValues(it.value()));
        check(schemes.contains(it.key()) && reread.contains(it.key()));
        check(record(schemeValues(reread.value(it.key()))) == written);
        check(record(schemeValues(written)) == written);
    }
    return 0;
}
