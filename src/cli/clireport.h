#pragma once

#include <QJsonObject>

class CliOutput;

// One line per event on standard output, with a time stamp: plain text
// ("<time> count count=3 kind=cycle", the fields in key order) or, with --json,
// an object with fixed keys: time (ISO 8601 with ms), event, and count, kind,
// frame or port where they apply. Each line is written at once, so a script sees every count as it
// comes.
class CliReport
{
public:
    CliReport(CliOutput *output, bool json) : m_output(output), m_json(json) { }

    void write(const QString &event, const QJsonObject &fields = QJsonObject());

private:
    CliOutput *m_output;
    bool m_json;
};
