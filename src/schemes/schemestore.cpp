// The window's side of the scheme file: reading at start-up, writing after each
// change, and moving records between the file, the inputs and the list.
#include "app/kavrin.h"

#include "schemes/programlabel.h"
#include "schemes/programlist.h"
#include "schemes/schemefile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonValue>
#include <QLayout>
#include <QMenu>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

void emptyLayout(QLayout *layout)
{
    while (QLayoutItem *item = layout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->setParent(nullptr);
            // Deferred: the entry may be the sender of the signal that got us here.
            widget->deleteLater();
        } else if (QLayout *nested = item->layout()) {
            emptyLayout(nested);
        }
        delete item;
    }
}

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

void Kavrin::readSchemeFile()
{
    QDir().mkpath(projectDir);
    const QString path = schemeFilePath(projectDir);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const QByteArray bytes = file.readAll();
    file.close();

    switch (parseSchemeBytes(bytes, &schemes)) {
    case SchemeParse::Ok:
        rebuildSchemeList();
        break;
    case SchemeParse::Empty:
        break;
    case SchemeParse::Invalid:
        // The next write would replace content we could not read: keep a copy first.
        schemeFileUnreadable = true;
        qWarning() << QStringLiteral("方案文件无法读取，保存前将备份：%1").arg(path);
        break;
    }
}

void Kavrin::writeSchemeFile()
{
    const QString path = schemeFilePath(projectDir);
    if (schemeFileUnreadable && QFile::exists(path)) {
        const QString backup = backupSchemeFile(path);
        if (backup.isEmpty()) {
            // Without a copy the old content would be lost: leave the file alone.
            qWarning() << QStringLiteral("方案文件备份失败：%1").arg(path);
            reportWriteError();
            return;
        }
        qWarning() << QStringLiteral("原方案文件已备份为：%1").arg(backup);
    }
    schemeFileUnreadable = false;

    if (!writeSchemeBytes(path, serialiseSchemes(schemes)))
        reportWriteError();
}

QJsonObject Kavrin::schemeFromInputs() const
{
    return schemeRecord(openSpin->value(), closeSpin->value(), cycleSpin->value());
}

void Kavrin::applySchemeToInputs(const QJsonValue &scheme)
{
    // The spin boxes clamp: 0 (missing or unusable) becomes 1, above 1000 becomes 1000.
    const SchemeValues values = schemeValues(scheme);
    openSpin->setValue(values.open);
    closeSpin->setValue(values.close);
    cycleSpin->setValue(values.cycle);
}

void Kavrin::rebuildSchemeList()
{
    QVBoxLayout *layout = programList->listLayout;
    emptyLayout(layout);

    const QStringList names = schemes.keys();
    for (const QString &name : names) {
        auto *entry = new ProgramLabel(name, QString());
        connect(
            entry, &ProgramLabel::clicked, entry, [this, entry] { applyScheme(entry); },
            Qt::DirectConnection);
        connect(
            entry->menu, &QMenu::triggered, entry->menu,
            [this, entry](QAction *action) { handleSchemeMenu(action, entry); },
            Qt::DirectConnection);
        layout->addWidget(entry);
    }
    programList->listContainer->setFixedHeight(60 * layout->count());
}
