#include "clireport.h"

#include "clioutput.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QStringList>
#include <QVariant>

void CliReport::write(const QString &event, const QJsonObject &fields)
{
    const QString time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    QByteArray line;
    if (m_json) {
        QJsonObject object = fields;
        object.insert(QStringLiteral("time"), time);
        object.insert(QStringLiteral("event"), event);
        line = QJsonDocument(object).toJson(QJsonDocument::Compact);
    } else {
        QStringList parts{ time, event };
        for (auto it = fields.begin(); it != fields.end(); ++it)
            parts << it.key() + QLatin1Char('=') + it.value().toVariant().toString();
        line = parts.join(QLatin1Char(' ')).toUtf8();
    }
    m_output->write(line + '\n');
}
