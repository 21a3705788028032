#pragma once

#include "schemefile.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

// Where the program keeps its schemes: the same path below the home folder
// on every platform, as the scheme file always was.
QString schemeStoreDirectory();

// The scheme collection and its file. Every change is written to the file at
// once; a change that leaves the collection as it was writes nothing. Another
// window may write the same file: before each change, a file changed since
// this store last read or wrote it is read again and the change applied to
// what it holds, so no writer removes what another stored. A file that could
// not be read or parsed is copied to a backup before the first write replaces
// it, and is left alone when no copy can be made.
class SchemeStore
{
public:
    explicit SchemeStore(const QString &directory, FileReader read = readWholeFile);

    // Reads the file once, at start-up; only reads: no folder is made, no
    // backup promised. A missing file is an empty collection. True when a
    // document was read (the list is built from it).
    bool load();

    // The names, sorted (as the file is written).
    QStringList names() const { return m_schemes.keys(); }
    // A scheme's values; all 0 for a name not stored.
    SchemeValues scheme(const QString &name) const;
    bool contains(const QString &name) const { return m_schemes.contains(name); }
    QString filePath() const { return m_path; }

    // Each changes the collection, then writes the file. False when the file
    // was not written: the change stays for this session, lastError() says why.
    bool save(const QString &name, const SchemeValues &values);
    bool remove(const QString &name);
    bool rename(const QString &from, const QString &to);
    // Whether the file was read again since the last call (a list to refresh).
    bool takeReloaded() { return std::exchange(m_reloaded, false); }
    // True when the file changed since this store last read or wrote it: the
    // collection is then the file's, with this session's unwritten changes
    // made again, and a warning is logged.
    bool reloadIfChangedElsewhere();
    // Writes the collection as it stands, backing up an unread file first.
    bool write();
    QString lastError() const { return m_lastError; }

private:
    using Edit = std::function<void(QJsonObject &)>;
    bool change(const Edit &edit);
    bool take(const QByteArray &bytes);
    bool backUpUnreadFile();

    QString m_directory;
    QString m_path;
    FileReader m_read;
    QJsonObject m_schemes;
    bool m_fileUnread = false; // its bytes are not in m_schemes: back them up first
    std::optional<QByteArray> m_seen; // as last read or written; none: no file, or unread
    std::vector<Edit> m_unwritten; // changes whose write failed, to make again on a reload
    bool m_reloaded = false;
    QString m_lastError;
};
