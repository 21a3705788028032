// The operator's scheme actions: save, show the list, apply, delete, rename.
#include "app/kavrin.h"

#include "schemes/programlabel.h"
#include "schemes/programlist.h"

#include <QDebug>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QVBoxLayout>

namespace {

// Asks whether an existing scheme may be replaced. The name is shown as text:
// a name that looks like markup must not be rendered as markup.
bool confirmOverwrite(QWidget *parent, const QString &name)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示"),
                    QStringLiteral("方案 (%1) 已存在，是否覆盖？").arg(name),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void Kavrin::saveScheme()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("方案名称"),
                                               QStringLiteral("输入方案名称："), QLineEdit::Normal,
                                               QString(), &ok, Qt::MSWindowsFixedSizeDialogHint);
    if (!ok)
        return;
    // Saving under an existing name replaces that scheme without a question.
    const bool written = schemeStore.save(name, schemeFromInputs());
    rebuildSchemeList();
    if (written)
        qDebug() << QStringLiteral("方案 (%1) 保存成功").arg(name);
    else
        reportUnsavedSchemes();
}

void Kavrin::showSchemeList()
{
    programList->show();
    programList->raise();
}

void Kavrin::applyScheme(ProgramLabel *entry)
{
    if (!serialPort->isOpen()) {
        QMessageBox::question(this, QStringLiteral("提示"), QStringLiteral("串口未打开"),
                              QMessageBox::Ok);
        return;
    }
    applySchemeToInputs(schemeStore.scheme(entry->nameLabel->text()));
    // The parameter frame has one road to the device: the save-settings action,
    // which returns only after its confirmation box is closed.
    saveSettingsButton->click();
    programList->close();
}

void Kavrin::handleSchemeMenu(QAction *action, ProgramLabel *entry)
{
    const QString name = entry->nameLabel->text();
    if (action == entry->deleteAction) {
        const bool written = schemeStore.remove(name);
        programList->listLayout->removeWidget(entry);
        entry->hide();
        // Deferred: this runs inside the entry's own menu signal.
        entry->deleteLater();
        programList->listContainer->setFixedHeight(60 * programList->listLayout->count());
        if (written)
            qWarning() << QStringLiteral("方案 (%1) 已删除").arg(name);
        else
            reportUnsavedSchemes();
        return;
    }
    bool written = true;
    if (action == entry->renameAction) {
        bool ok = false;
        const QString newName = QInputDialog::getText(
            this, QStringLiteral("重命名"), QStringLiteral("输入你的名字："), QLineEdit::Normal,
            name, &ok, Qt::MSWindowsFixedSizeDialogHint);
        // Renaming onto another scheme replaces it, so ask; two entries must
        // never stand for one record.
        const bool replacesOther = ok && newName != name && schemeStore.contains(newName);
        if (ok && (!replacesOther || confirmOverwrite(this, newName))) {
            written = schemeStore.rename(name, newName);
            if (written)
                qDebug() << QStringLiteral("方案名称已修改：(%1) to (%2)").arg(name, newName);
            if (replacesOther)
                rebuildSchemeList();
            else
                entry->nameLabel->setText(newName);
            if (!written)
                reportUnsavedSchemes();
            return;
        }
    }
    // Nothing changed, but the file is rewritten all the same.
    if (!schemeStore.write())
        reportUnsavedSchemes();
}

void Kavrin::reportUnsavedSchemes()
{
    const QString text = QStringLiteral("方案文件写入失败，更改仅在本次运行中保留：%1")
                             .arg(schemeStore.lastError());
    qWarning().noquote() << text;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
