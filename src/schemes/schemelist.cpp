// The window's side of the scheme store: reading at start-up and moving
// records between the store, the inputs and the list.
#include "app/kavrin.h"

#include "schemes/programlabel.h"
#include "schemes/programlist.h"

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

} // namespace

void Kavrin::readSchemeFile()
{
    if (schemeStore.load())
        rebuildSchemeList();
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

    const QStringList names = schemeStore.schemes().keys();
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
