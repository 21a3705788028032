#include "schemefile.h"

#include "jsonnumbers.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSaveFile>
#include <QString>

#include <algorithm>

namespace {

const char openKey[] = "open_spinBox";
const char closeKey[] = "close_spinBox";
const char cycleKey[] = "cycle_spinBox";
const char byteOrderMark[] = "\xEF\xBB\xBF"; // UTF-8's, which editors on Windows write

bool isBlank(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// Qt 5.15's parser can leave an object whose names mix \u escapes and raw
// UTF-8 in an order its own lookups do not expect, so a listed scheme is then
// not found. Inserting the members one by one restores a consistent order.
// Numbers are held as doubles, as Qt 5 holds them: Qt 6 keeps integers exact
// and would write a hand-edited 9007199254740993 back differently.
QJsonValue normalised(const QJsonValue &value)
{
    if (value.isDouble())
        return QJsonValue(value.toDouble());
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue &element : value.toArray())
            array.append(normalised(element));
        return array;
    }
    if (!value.isObject())
        return value;
    const QJsonObject parsed = value.toObject();
    QJsonObject object;
    for (auto it = parsed.begin(); it != parsed.end(); ++it)
        object.insert(it.key(), normalised(it.value()));
    return object;
}

} // namespace

QString schemeFilePath(const QString &projectDir)
{
    return projectDir + QStringLiteral("/Kavrin.halvo");
}

SchemeParse parseSchemeBytes(const QByteArray &bytes, QJsonObject *schemes)
{
    // Only the raw bytes decide "empty": a file whose first byte is NUL still
    // holds something that a write would destroy.
    if (isBlank(bytes))
        return SchemeParse::Empty;

    const auto nul = bytes.indexOf('\0');
    QByteArray utf8 = nul < 0 ? bytes : bytes.left(nul);
    if (utf8.startsWith(byteOrderMark))
        utf8.remove(0, int(sizeof byteOrderMark) - 1);
    // Bytes that are not UTF-8 (names saved as GBK) all decode to U+FFFD, so
    // distinct names would merge into one: such a file is not read.
    const QByteArray text = QString::fromUtf8(utf8).toUtf8();
    if (text != utf8)
        return SchemeParse::Invalid;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return SchemeParse::Invalid;
    if (!document.isObject())
        return SchemeParse::NotAnObject;
    *schemes = normalised(document.object()).toObject();
    return SchemeParse::Ok;
}

QByteArray serialiseSchemes(const QJsonObject &schemes)
{
    QByteArray json = withQt5Numbers(QJsonDocument(schemes).toJson(QJsonDocument::Indented));
    // Qt's reader drops a U+FEFF written as it is, so "\uFEFFA" would come back
    // as "A" and merge with it; escaped, it stays. Only strings hold one.
    return json.replace(byteOrderMark, "\\ufeff");
}

bool readWholeFile(const QString &path, QByteArray *bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool writeSchemeBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // A short write or a failed flush must not reach commit(), which would
    // rename a truncated file over the good one.
    const bool written
        = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
    if (written && file.commit())
        return true;
    *error = file.errorString();
    if (file.isOpen())
        file.cancelWriting();
    return false;
}

QString backupSchemeFile(const QString &path, FileReader read, QString *error)
{
    QByteArray bytes;
    if (!read(path, &bytes, error))
        return QString();
    QString candidate = path + QStringLiteral(".bak");
    for (int n = 1;; ++n) {
        const QFileInfo info(candidate);
        if (!info.exists() && !info.isSymLink())
            break;
        candidate = path + QStringLiteral(".bak.") + QString::number(n);
    }
    return writeSchemeBytes(candidate, bytes, error) ? candidate : QString();
}

QJsonObject schemeRecord(const SchemeValues &values)
{
    QJsonObject record;
    record.insert(QLatin1String(openKey), values.openTime);
    record.insert(QLatin1String(closeKey), values.closeTime);
    record.insert(QLatin1String(cycleKey), values.cycles);
    return record;
}

SchemeValues schemeValues(const QJsonValue &record)
{
    // operator[] on a const value: a non-object or a missing member is Undefined.
    SchemeValues values;
    values.openTime = record[QLatin1String(openKey)].toInt(0);
    values.closeTime = record[QLatin1String(closeKey)].toInt(0);
    values.cycles = record[QLatin1String(cycleKey)].toInt(0);
    return values;
}
