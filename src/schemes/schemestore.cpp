#include "schemestore.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonValue>
#include <QStandardPaths>

namespace {

// The log shows "write error! \n": the literal, the stream's blank and the line end.
void reportWriteError()
{
    qDebug() << "write error!" << '\n';
}

} // namespace

QString schemeStoreDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation)
        + QStringLiteral("/AppData/Roaming/HalvoSystemFile/HalvoProject");
}

SchemeStore::SchemeStore(const QString &directory, FileReader read)
    : m_directory(directory), m_path(schemeFilePath(directory)), m_read(read)
{
}

bool SchemeStore::load()
{
    // Nothing to read yet: the file is made by the first write.
    if (!QFileInfo::exists(m_path))
        return false;
    QByteArray bytes;
    QString error;
    if (!m_read(m_path, &bytes, &error)) {
        // Locked, no permission, an I/O error: its schemes are still on disk.
        m_fileUnread = true;
        qWarning() << QStringLiteral("方案文件无法读取：%1 (%2)").arg(m_path, error);
        return false;
    }
    return take(bytes);
}

// The file's bytes become the collection.
bool SchemeStore::take(const QByteArray &bytes)
{
    m_seen = bytes;
    QJsonObject read;
    const SchemeParse parsed = parseSchemeBytes(bytes, &read);
    m_schemes = read;
    m_fileUnread = parsed == SchemeParse::Invalid || parsed == SchemeParse::NotAnObject;
    if (m_fileUnread)
        qWarning() << QStringLiteral("方案文件无法读取：%1").arg(m_path);
    // A document without schemes still gives an (empty) list.
    return parsed == SchemeParse::Ok || parsed == SchemeParse::NotAnObject;
}

bool SchemeStore::reloadIfChangedElsewhere()
{
    // A file never read cannot be compared: the backup before the write keeps it.
    if (m_fileUnread && !m_seen)
        return false;
    const bool exists = QFileInfo::exists(m_path);
    QByteArray bytes;
    QString error;
    if (exists && !m_read(m_path, &bytes, &error)) {
        m_fileUnread = true; // what it holds now is unknown: back it up first
        m_seen.reset();
        return false;
    }
    if (exists ? m_seen == bytes : !m_seen)
        return false;
    qWarning() << QStringLiteral("方案文件已在别处修改，已重新读取：%1").arg(m_path);
    m_reloaded = true;
    m_schemes = QJsonObject();
    m_fileUnread = false;
    m_seen.reset();
    if (exists)
        take(bytes);
    for (const Edit &edit : m_unwritten)
        edit(m_schemes);
    return true;
}

SchemeValues SchemeStore::scheme(const QString &name) const
{
    return schemeValues(m_schemes.value(name));
}

bool SchemeStore::save(const QString &name, const SchemeValues &values)
{
    const QJsonObject record = schemeRecord(values);
    return change([name, record](QJsonObject &schemes) { schemes.insert(name, record); });
}

bool SchemeStore::remove(const QString &name)
{
    return change([name](QJsonObject &schemes) { schemes.remove(name); });
}

bool SchemeStore::rename(const QString &from, const QString &to)
{
    // A scheme removed elsewhere is not renamed: its missing record would remove `to`.
    return change([from, to](QJsonObject &schemes) {
        if (schemes.contains(from))
            schemes.insert(to, schemes.take(from));
    });
}

bool SchemeStore::change(const Edit &edit)
{
    m_lastError.clear();
    reloadIfChangedElsewhere();
    const QJsonObject before = m_schemes;
    edit(m_schemes);
    if (m_schemes == before && m_unwritten.empty())
        return true; // nothing changed: nothing to write
    m_unwritten.push_back(edit);
    return write();
}

bool SchemeStore::write()
{
    m_lastError.clear();
    if (m_fileUnread && !backUpUnreadFile()) {
        reportWriteError();
        return false;
    }
    QDir().mkpath(m_directory); // made by the first write: reading makes nothing
    const QByteArray bytes = serialiseSchemes(m_schemes);
    if (!writeSchemeBytes(m_path, bytes, &m_lastError)) {
        reportWriteError();
        return false;
    }
    m_seen = bytes;
    m_unwritten.clear();
    return true;
}

bool SchemeStore::backUpUnreadFile()
{
    if (!QFileInfo::exists(m_path)) {
        m_fileUnread = false; // gone meanwhile: nothing left to lose
        return true;
    }
    const QString backup = backupSchemeFile(m_path, m_read, &m_lastError);
    if (backup.isEmpty()) {
        // Without a copy the old schemes would be lost: leave the file alone.
        qWarning() << QStringLiteral("方案文件备份失败：%1 (%2)").arg(m_path, m_lastError);
        return false;
    }
    qWarning() << QStringLiteral("原方案文件已备份为：%1").arg(backup);
    m_fileUnread = false;
    return true;
}
