#pragma once

#include "schemes/schemefile.h"

#include <QJsonObject>
#include <QString>

class QJsonValue;

// Where the program keeps its schemes: the same path below the home folder
// on every platform, as the scheme file always was.
QString schemeStoreDirectory();

// The scheme collection and its file. The collection in memory is the
// reference; every change is written to the file at once. A file that could
// not be read or parsed at start-up is copied to a backup before the first
// write replaces it, and is left alone when no copy can be made.
class SchemeStore
{
public:
    explicit SchemeStore(const QString &directory, FileReader read = readWholeFile);

    // Reads the file once, at start-up; only reads: no folder is made, no
    // backup promised. A missing file is an empty collection. True when a
    // document was read (the list is built from it).
    bool load();

    const QJsonObject &schemes() const { return m_schemes; }
    QJsonValue scheme(const QString &name) const;
    bool contains(const QString &name) const { return m_schemes.contains(name); }
    QString filePath() const { return m_path; }

    // Each changes the collection, then writes the file. False when the file
    // was not written: the change stays for this session, lastError() says why.
    bool save(const QString &name, const QJsonObject &record);
    bool remove(const QString &name);
    bool rename(const QString &from, const QString &to);
    bool write();
    QString lastError() const { return m_lastError; }

private:
    bool backUpUnreadFile();

    QString m_directory;
    QString m_path;
    FileReader m_read;
    QJsonObject m_schemes;
    bool m_fileUnread = false; // its bytes are not in m_schemes: back them up first
    QString m_lastError;
};
