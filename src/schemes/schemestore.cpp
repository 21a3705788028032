#include "schemes/schemestore.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonValue>
#include <QStandardPaths>

namespace {

// The log shows "write error! \n": the literal, the stream's blank and the line end.
void reportWriteError()
{
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    qDebug() << "write error!" << Qt::endl;
#else
    qDebug() << "write error!" << endl;
#endif
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
    const SchemeParse parsed = parseSchemeBytes(bytes, &m_schemes);
    if (parsed == SchemeParse::Invalid || parsed == SchemeParse::NotAnObject) {
        m_fileUnread = true;
        qWarning() << QStringLiteral("方案文件无法读取：%1").arg(m_path);
    }
    // A document without schemes still gives an (empty) list.
    return parsed == SchemeParse::Ok || parsed == SchemeParse::NotAnObject;
}

QJsonValue SchemeStore::scheme(const QString &name) const
{
    return m_schemes.value(name);
}

bool SchemeStore::save(const QString &name, const QJsonObject &record)
{
    m_schemes.insert(name, record);
    return write();
}

bool SchemeStore::remove(const QString &name)
{
    m_schemes.remove(name);
    return write();
}

bool SchemeStore::rename(const QString &from, const QString &to)
{
    const QJsonValue record = m_schemes.value(from);
    m_schemes.remove(from);
    m_schemes.insert(to, record);
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
    if (!writeSchemeBytes(m_path, serialiseSchemes(m_schemes), &m_lastError)) {
        reportWriteError();
        return false;
    }
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
