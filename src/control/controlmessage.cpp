#include "controlmessage.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <array>
#include <utility>

namespace {

using Kind = ControlRequest::Kind;

const std::array<std::pair<const char *, Kind>, 10> requestNames{ {
    { "ports", Kind::Ports },
    { "open", Kind::Open },
    { "close", Kind::Close },
    { "mode", Kind::Mode },
    { "params", Kind::Params },
    { "scheme", Kind::Scheme },
    { "start", Kind::Start },
    { "stop", Kind::Stop },
    { "auto-off", Kind::AutoOff },
    { "state", Kind::State },
} };

const std::array<std::pair<const char *, ShutterMode>, 4> modeNames{ {
    { "manual", ShutterMode::Manual },
    { "auto", ShutterMode::Automatic },
    { "trigger-sync", ShutterMode::TriggerSync },
    { "trigger-async", ShutterMode::TriggerAsync },
} };

bool readString(const QJsonObject &object, const char *key, QString *value, QString *error)
{
    const QJsonValue field = object.value(QLatin1String(key));
    if (!field.isString() || field.toString().isEmpty()) {
        *error = QStringLiteral("\"%1\" must be a non-empty string").arg(QLatin1String(key));
        return false;
    }
    *value = field.toString();
    return true;
}

// A whole number in the timing's range, as the window's boxes take it.
bool readTiming(const QJsonObject &object, const char *key, int *value, QString *error)
{
    const QJsonValue field = object.value(QLatin1String(key));
    const double number = field.toDouble(-1);
    if (!field.isDouble() || number != static_cast<int>(number) || number < Protocol::timingMinimum
        || number > Protocol::timingMaximum) {
        *error = QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                     .arg(QLatin1String(key))
                     .arg(Protocol::timingMinimum)
                     .arg(Protocol::timingMaximum);
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

QByteArray line(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

bool parseControlRequest(const QByteArray &text, ControlRequest *request, QString *error)
{
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parse);
    if (!document.isObject()) {
        *error = parse.error == QJsonParseError::NoError ? QStringLiteral("not a JSON object")
                                                         : parse.errorString();
        return false;
    }
    const QJsonObject object = document.object();
    const QString name = object.value(QLatin1String("request")).toString();
    const auto known
        = std::find_if(requestNames.begin(), requestNames.end(),
                       [&name](const auto &entry) { return name == QLatin1String(entry.first); });
    if (known == requestNames.end()) {
        *error = QStringLiteral("unknown request \"%1\"").arg(name);
        return false;
    }
    request->kind = known->second;
    switch (request->kind) {
    case Kind::Open:
        return readString(object, "port", &request->port, error);
    case Kind::Scheme:
        return readString(object, "name", &request->scheme, error);
    case Kind::Params:
        return readTiming(object, "open", &request->timing.openTime, error)
            && readTiming(object, "close", &request->timing.closeTime, error)
            && readTiming(object, "cycles", &request->timing.cycles, error);
    case Kind::Mode: {
        const QString mode = object.value(QLatin1String("mode")).toString();
        const auto found
            = std::find_if(modeNames.begin(), modeNames.end(), [&mode](const auto &entry) {
                  return mode == QLatin1String(entry.first);
              });
        if (found == modeNames.end()) {
            *error = QStringLiteral("\"mode\" must be manual, auto, trigger-sync or trigger-async");
            return false;
        }
        request->mode = found->second;
        return true;
    }
    default:
        return true;
    }
}

QString modeName(ShutterMode mode)
{
    const auto found = std::find_if(modeNames.begin(), modeNames.end(),
                                    [mode](const auto &entry) { return entry.second == mode; });
    return found == modeNames.end() ? QStringLiteral("none") : QLatin1String(found->first);
}

QByteArray okReply(const QJsonObject &fields)
{
    QJsonObject object = fields;
    object.insert(QStringLiteral("reply"), QStringLiteral("ok"));
    return line(object);
}

QByteArray errorReply(ControlError code, const QString &message)
{
    return line({ { QStringLiteral("reply"), QStringLiteral("error") },
                  { QStringLiteral("code"), static_cast<int>(code) },
                  { QStringLiteral("message"), message } });
}

QByteArray eventLine(const QString &event, const QJsonObject &fields)
{
    QJsonObject object = fields;
    object.insert(QStringLiteral("event"), event);
    return line(object);
}
