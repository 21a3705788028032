#pragma once

class QDateTime;
class QString;
class QStringList;

// Deletes the "*.log" files of the directory (any letter case, files only,
// in name order) whose name starts with a "yyyy-MM-dd" date more than `days`
// calendar days before `now`. Returns the names it tried to delete, whether or
// not the deletion succeeded. A missing directory is left missing.
QStringList removeOldLogFiles(const QString &directory, const QDateTime &now, int days);
