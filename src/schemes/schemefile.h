#pragma once

// The scheme file: a UTF-8 JSON object mapping each scheme name to its record
// {"open_spinBox", "close_spinBox", "cycle_spinBox"}. Plain functions, no widgets.

#include <QJsonObject>

class QByteArray;
class QJsonValue;
class QString;

// Full path of the scheme file inside the project directory.
QString schemeFilePath(const QString &projectDir);

enum class SchemeParse {
    Ok, // a JSON object: its members are the schemes
    Empty, // nothing but whitespace (or no bytes at all): a new file
    Invalid, // content that is not UTF-8 JSON: must not be silently replaced
    NotAnObject // JSON, but no object of schemes (an array): no schemes, not ours to replace
};

// Reads the file's bytes: UTF-8 up to the first NUL, then JSON. On Ok, *schemes
// becomes the top-level object; otherwise it is left alone.
SchemeParse parseSchemeBytes(const QByteArray &bytes, QJsonObject *schemes);

// The file's bytes: indented JSON, keys in code-unit order, names as UTF-8,
// numbers as Qt 5 writes them (under Qt 6 too).
QByteArray serialiseSchemes(const QJsonObject &schemes);

// Reads a whole file, read-only; false with the platform's reason when it
// cannot. Tests pass their own to make a file unreadable where root reads all.
using FileReader = bool (*)(const QString &path, QByteArray *bytes, QString *error);
bool readWholeFile(const QString &path, QByteArray *bytes, QString *error);

// Replaces the file atomically (temporary file renamed over the old one), so it
// holds either the old or the new bytes whatever fails. False, with the
// reason in *error, on any failure.
bool writeSchemeBytes(const QString &path, const QByteArray &bytes, QString *error);

// Copies the file's bytes, read with `read`, to the first free name of
// path.bak, path.bak.1, path.bak.2, ... so an older backup is never
// overwritten. Returns the backup's path, or an empty string (and the reason
// in *error) when the copy failed.
QString backupSchemeFile(const QString &path, FileReader read, QString *error);

// A scheme's open and close time (100 ms units) and cycle count.
struct SchemeValues
{
    int openTime = 0;
    int closeTime = 0;
    int cycles = 0;
};

// The record of a scheme in the file.
QJsonObject schemeRecord(const SchemeValues &values);
// The three members of a record as integers; anything missing or not integral
// (2.5, a string, a non-record value) gives 0, which the front ends clamp.
SchemeValues schemeValues(const QJsonValue &record);
