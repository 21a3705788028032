#pragma once

class QString;
class QTextEdit;

// Adds a log line to the pane as a new paragraph of plain text (markup in a
// message is never interpreted) and shows the newest line at the left edge.
void appendToLogPane(QTextEdit *pane, const QString &line);
