#pragma once

#include <QList>
#include <QString>

class QDateTime;

// One old log file that retention tried to delete.
struct LogRemoval
{
    QString name;
    QString error; // the platform's reason when the file is still there; empty when gone
};

// Deletes a file; false, with the reason in *error, when it stays. Tests pass
// their own to make a deletion fail where the file system would not.
using FileRemover = bool (*)(const QString &path, QString *error);
bool removeFile(const QString &path, QString *error);

// Deletes the "*.log" files of the directory (any letter case, files only,
// in name order) whose name before the first "." is a "yyyy-MM-dd" date more than `days`
// calendar days before `now`, and says how each attempt went. A missing
// directory is left missing.
QList<LogRemoval> removeOldLogFiles(const QString &directory, const QDateTime &now, int days,
                                    FileRemover remove = removeFile);

// The same, reported through the message handler: "清理旧日志：" for each file
// that went, a warning with the reason for each that could not be deleted.
void pruneOldLogs(const QString &directory, const QDateTime &now, int days,
                  FileRemover remove = removeFile);
