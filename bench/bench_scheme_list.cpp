// What a long scheme list costs the window: start-up to the window shown and
// resident memory then, and the time of a save, a rename and a delete through
// the window, list open, for a generated scheme file of 0, 10,000 and 100,000
// schemes. Each count runs in a process of its own (--once N, which prints
// "<startup ms> <kB> <save ms> <rename ms> <delete ms>").
// Usage: bench_scheme_list [COUNT...]
#include "benchwindow.h"
#include "procstats.h"
#include "schemefile.h"
#include "schemelistwindow.h"
#include "schemestore.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Names in the file's (sorted) order, each with the start-up values.
void writeSchemeFile(int count)
{
    QDir().mkpath(schemeStoreDirectory());
    QFile file(schemeFilePath(schemeStoreDirectory()));
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray text = "{\n";
    for (int i = 0; i < count; ++i) {
        text += "    \"方案" + QByteArray::number(i).rightJustified(6, '0')
            + "\": {\n        \"close_spinBox\": 2,\n        \"cycle_spinBox\": 10,\n"
              "        \"open_spinBox\": 2\n    }";
        text += i + 1 < count ? ",\n" : "\n";
    }
    file.write(text + "}\n");
}

// Milliseconds an operator's action takes, the input it asks for answered
// at once and the list repainted.
double timed(const QString &answer, const std::function<void()> &action)
{
    QTimer::singleShot(0, [answer] {
        if (auto *input = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            input->setTextValue(answer);
            input->accept();
        }
    });
    QElapsedTimer timer;
    timer.start();
    action();
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

int runOnce(int argc, char *argv[], int count)
{
    const BenchWindow bench(argc, argv, [count] { writeSchemeFile(count); });
    if (!bench.isValid())
        return 1;
    MainWindow &window = bench.window();
    window.show();
    QApplication::processEvents();
    const double startupMs = 1000.0 * secondsSinceProcessStart();
    const long kb = residentKb();

    const WindowDriver driver(&window);
    driver.button(QStringLiteral("导入方案"))->click();
    QWidget *column = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<SchemeListWindow *>(top))
            column = found->findChild<QWidget *>(QStringLiteral("ScrollWinDow"));
    QApplication::processEvents();
    const auto onFirstRow = [column](const QString &choice) {
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(20, 20));
        QApplication::sendEvent(column, &menuKey);
        for (QAction *action : column->window()->findChild<QMenu *>()->actions())
            if (action->text() == choice)
                action->trigger();
    };
    QPushButton *save = driver.button(QStringLiteral("保存方案"));
    const double saveMs = timed(QStringLiteral("新方案"), [save] { save->click(); });
    const double renameMs
        = timed(QStringLiteral("改名方案"), [&] { onFirstRow(QStringLiteral("重命名方案")); });
    const double deleteMs = timed(QString(), [&] { onFirstRow(QStringLiteral("删除方案")); });
    std::printf("%.0f %ld %.1f %.1f %.1f\n", startupMs, kb, saveMs, renameMs, deleteMs);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && std::strcmp(argv[1], "--once") == 0)
        return runOnce(argc, argv, std::atoi(argv[2]));

    QCoreApplication app(argc, argv);
    QStringList counts = QCoreApplication::arguments().mid(1);
    if (counts.isEmpty())
        counts = QStringList{ "0", "10000", "100000" };
    double baseMs = 0;
    double baseMb = 0;
    for (const QString &count : counts) {
        QProcess run;
        run.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--once"), count });
        if (!run.waitForFinished(120000) || run.exitCode() != 0) {
            std::fprintf(stderr, "scheme_list: %s schemes failed\n", qPrintable(count));
            return 1;
        }
        const QList<QByteArray> fields = run.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 5)
            return 1;
        const double ms = fields.at(0).toDouble();
        const double mb = fields.at(1).toDouble() / 1024.0;
        if (count == QLatin1String("0")) {
            baseMs = ms;
            baseMb = mb;
        }
        std::printf("scheme_list: %s schemes: start-up %.0f ms (+%.0f), %.1f MB (+%.1f); save "
                    "%s ms, rename %s ms, delete %s ms\n",
                    qPrintable(count), ms, ms - baseMs, mb, mb - baseMb, fields.at(2).constData(),
                    fields.at(3).constData(), fields.at(4).constData());
        std::printf("BENCH scheme_list schemes=%s startup_ms=%.0f startup_extra_ms=%.0f "
                    "rss_mb=%.1f rss_extra_mb=%.1f save_ms=%s rename_ms=%s delete_ms=%s\n",
                    qPrintable(count), ms, ms - baseMs, mb, mb - baseMb, fields.at(2).constData(),
                    fields.at(3).constData(), fields.at(4).constData());
        std::fflush(stdout);
    }
    return 0;
}
