#include "clirequest.h"

#include "schemestore.h"

#include <QCommandLineParser>

#include <climits>

namespace {

constexpr int lowest = Protocol::timingMinimum; // as the window's spin boxes
constexpr int highest = Protocol::timingMaximum;
constexpr int longestWatch = INT_MAX / 1000; // seconds: the timer counts milliseconds in an int

const QStringList modeNames{ "manual", "auto", "trigger-sync", "trigger-async" };
const ShutterMode modes[] = { ShutterMode::Manual, ShutterMode::Automatic, ShutterMode::TriggerSync,
                              ShutterMode::TriggerAsync };

bool readNumber(const QString &text, const QString &name, int low, int high, int *value,
                QString *error)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < low || number > high) {
        *error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                     .arg(name)
                     .arg(low)
                     .arg(high)
                     .arg(text);
        return false;
    }
    *value = number;
    return true;
}

// A scheme's value clamped to the range, as the window's spin boxes do.
int clamped(int value)
{
    return qBound(lowest, value, highest);
}

} // namespace

bool parseRunRequest(const QStringList &arguments, CliRequest *request, QString *error)
{
    QCommandLineParser parser;
    const QCommandLineOption port("port", "Serial port, as `kavrin-cli ports` lists it.", "PORT");
    const QCommandLineOption mode("mode", "manual, auto, trigger-sync or trigger-async.", "MODE");
    const QCommandLineOption open("open", "Shutter-open time, 100 ms units.", "N");
    const QCommandLineOption close("close", "Shutter-close time, 100 ms units.", "N");
    const QCommandLineOption cycles("cycles", "Cycles of an automatic run.", "N");
    const QCommandLineOption scheme("scheme", "Open, close and cycles of a stored scheme.", "NAME");
    const QCommandLineOption start("start", "Send the mode's start frame.");
    const QCommandLineOption watch("watch", "Report counts this long (0: until stopped).", "S");
    const QCommandLineOption untilDone("until-done", "Automatic mode: end when cycles reach 0.");
    const QCommandLineOption stopOnExit("stop-on-exit", "Send the stop frame when ending early.");
    const QCommandLineOption json("json", "One JSON object per line.");
    const QCommandLineOption window("window", "Through the running window, not the port itself.");
    parser.addOptions({ port, mode, open, close, cycles, scheme, start, watch, untilDone,
                        stopOnExit, json, window });
    if (!parser.parse(QStringList{ "kavrin-cli run" } + arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error
            = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }
    request->port = parser.value(port);
    if (request->port.isEmpty()) {
        *error = QStringLiteral("--port is required; `kavrin-cli ports` lists the ports");
        return false;
    }
    if (parser.isSet(mode)) {
        const auto index = modeNames.indexOf(parser.value(mode));
        if (index < 0) {
            *error = QStringLiteral("--mode takes one of: %1").arg(modeNames.join(", "));
            return false;
        }
        request->mode = modes[index];
    }
    if (parser.isSet(scheme)) {
        SchemeStore store(schemeStoreDirectory());
        store.load(); // read only: the command line never writes the file
        const QString name = parser.value(scheme);
        if (!store.contains(name)) {
            const QStringList names = store.names();
            *error = QStringLiteral("no scheme \"%1\"; stored: %2")
                         .arg(name, names.isEmpty() ? QStringLiteral("none") : names.join(", "));
            return false;
        }
        const SchemeValues values = store.scheme(name);
        request->timing
            = { clamped(values.openTime), clamped(values.closeTime), clamped(values.cycles) };
        request->sendParameters = true;
    }
    // Numbers given on the command line win over the scheme's.
    for (const auto &[option, value] : { std::pair{ open, &request->timing.openTime },
                                         std::pair{ close, &request->timing.closeTime },
                                         std::pair{ cycles, &request->timing.cycles } }) {
        if (!parser.isSet(option))
            continue;
        if (!readNumber(parser.value(option), option.names().first(), lowest, highest, value,
                        error))
            return false;
        request->sendParameters = true;
    }
    if (parser.isSet(watch)
        && !readNumber(parser.value(watch), QStringLiteral("watch"), 0, longestWatch,
                       &request->watchSeconds, error))
        return false;
    request->start = parser.isSet(start);
    request->untilDone = parser.isSet(untilDone);
    request->stopOnExit = parser.isSet(stopOnExit);
    request->json = parser.isSet(json);
    request->window = parser.isSet(window);
    if (request->start && request->mode == ShutterMode::None) {
        *error = QStringLiteral("--start needs --mode");
        return false;
    }
    if (request->start
        && (request->mode == ShutterMode::TriggerSync
            || request->mode == ShutterMode::TriggerAsync)) {
        *error = QStringLiteral("--start needs --mode manual or auto; the trigger input starts the "
                                "shutter in the trigger modes");
        return false;
    }
    if (request->untilDone && request->mode != ShutterMode::Automatic) {
        *error = QStringLiteral("--until-done needs --mode auto");
        return false;
    }
    return true;
}
