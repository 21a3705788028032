#pragma once

#include <QtGlobal>

class QDate;
class QDateTime;
class QString;

// The text of one log line and the daily file it goes to. The clock is a
// parameter so that callers decide which moment a line describes.

// "Info:" for debug, "Warning:", "Critical:", "Fatal:"; empty for info and
// anything else.
QString logTypeLabel(QtMsgType type);

// "yyyy-MM-dd hh:mm:ss ddd:" with the day name in the system's locale.
QString logTimeStamp(const QDateTime &now);

// "<time stamp> <label> Line:<line> >> <message>", without line terminator.
QString logLine(QtMsgType type, int line, const QString &message, const QDateTime &now);

// The documents folder + "/LogFile/Kavrin/", or an empty text when the
// platform reports no documents folder (nothing is written then).
QString logDirectory();

// <directory><yyyy-MM-dd>.log
QString logFilePath(const QString &directory, const QDate &day);

// Appends the line and CR LF in the locale's encoding, creating the file and
// its missing parent folders. False when the file could not be written.
bool appendLogLine(const QString &filePath, const QString &line);
