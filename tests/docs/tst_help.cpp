// The help's pages: each in the table of contents, each link to a page and an anchor that exist.
#include "support.h"

class TestHelp : public QObject
{
    Q_OBJECT

    static QString text(const QString &file) { return fileBytes(KAVRIN_HELP_DIR "/" + file); }
    static QStringList matches(const QString &text, const QString &pattern)
    {
        QStringList found;
        for (auto it = QRegularExpression(pattern).globalMatch(text); it.hasNext();)
            found << it.next().captured(1);
        return found;
    }

private slots:
    void pageLinks_data()
    {
        QTest::addColumn<QString>("page");
        for (const QString &page : QDir(KAVRIN_HELP_DIR).entryList({ "*.html" }))
            QTest::newRow(qPrintable(page)) << page;
    }
    void pageLinks()
    {
        QFETCH(QString, page);
        QVERIFY(matches(text("toc.hhc"), "name=\"Local\" value=\"([^\"]+)\"").contains(page));
        QVERIFY(matches(text("help.hhp"), "(?m)^([^=\\[\\r\\n]+\\.html)\\r?$").contains(page));
        for (const QString &link : matches(text(page), "href=\"([^\"]+)\"")) {
            if (link.contains(':'))
                continue; // another site's
            const QString target = link.section('#', 0, 0), anchor = link.section('#', 1);
            QVERIFY2(QFile::exists(KAVRIN_HELP_DIR "/" + target), qPrintable(link));
            QVERIFY2(anchor.isEmpty()
                         || text(target).contains(QRegularExpression(
                             "(id|name)=\"" + QRegularExpression::escape(anchor) + '"')),
                     qPrintable(link));
        }
    }
};

KAVRIN_TEST_MAIN(TestHelp)
#include "tst_help.moc"
