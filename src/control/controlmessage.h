#pragma once

#include "shuttersession.h"

#include <QJsonObject>

// The control endpoint's line protocol: one JSON object per line both ways.
// A request is {"request": NAME, ...}; each gets one reply, {"reply": "ok",
// ...} or {"reply": "error", "code": N, "message": TEXT}; events are
// {"event": NAME, ...}, pushed to every client.
struct ControlRequest
{
    enum class Kind { Ports, Open, Close, Mode, Params, Scheme, Start, Stop, AutoOff, State };
    Kind kind = Kind::State;
    QString port; // open
    ShutterMode mode = ShutterMode::None; // mode
    Protocol::Timing timing; // params
    QString scheme; // scheme
};

// The error codes, which kavrin-cli also exits with.
enum class ControlError {
    Usage = 2,
    PortUnavailable = 3,
    WrongDevice = 4,
    DeviceSilent = 5,
    PortLost = 6,
    ParametersRefused = 7,
};

// Reads one line (without its line end). False on malformed JSON, an
// unknown request or a wrong type, with the reason in *error.
bool parseControlRequest(const QByteArray &line, ControlRequest *request, QString *error);

QByteArray okReply(const QJsonObject &fields = {});
QByteArray errorReply(ControlError code, const QString &message);
QByteArray eventLine(const QString &event, const QJsonObject &fields = {});

// The request's name for a mode and back: manual, auto, trigger-sync, trigger-async.
QString modeName(ShutterMode mode);
