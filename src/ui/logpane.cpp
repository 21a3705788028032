#include "ui/logpane.h"

#include <QTextCursor>
#include <QTextEdit>

void appendToLogPane(QTextEdit *pane, const QString &line)
{
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    if (!pane->document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertText(line, QTextCharFormat());
    pane->moveCursor(QTextCursor::End);
    pane->moveCursor(QTextCursor::StartOfLine);
}
