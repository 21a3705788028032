#include "statusframe.h"

#include "commandframes.h"

namespace Protocol {

namespace {
constexpr int deviceHeaderSize = 3; // 8E 02 7A: what tells our device from another
} // namespace

bool hasDeviceHeader(const QByteArray &frame)
{
    return frame.startsWith(statusHeader().left(deviceHeaderSize));
}

StatusReport readStatusFrame(const QByteArray &frame)
{
    StatusReport report;
    // Bytes 0-8 are one unit: header, three zero bytes, then the code.
    static const QByteArray prefix
        = statusHeader() + QByteArray(Frame::codeOffset - statusHeader().size(), '\0');
    if (frame.size() <= Frame::codeOffset || !frame.startsWith(prefix))
        return report;

    switch (static_cast<StatusCode>(frame.at(Frame::codeOffset))) {
    case StatusCode::ParametersTaken:
    case StatusCode::ModeTaken:
    case StatusCode::Idle:
        report.kind = StatusReport::Acknowledge;
        return report;
    case StatusCode::TriggerCount:
    case StatusCode::ExternalTriggerCount:
        report.kind = StatusReport::TriggerCount;
        break;
    case StatusCode::CycleCount:
        report.kind = StatusReport::CycleCount;
        break;
    default:
        return report;
    }

    if (frame.size() > Frame::countOffset + 1)
        report.count = readWord(frame, Frame::countOffset);
    else if (frame.size() > Frame::countOffset)
        report.count = static_cast<quint8>(frame.at(Frame::countOffset));
    return report;
}

QByteArray statusFrame(StatusCode code, quint16 count)
{
    QByteArray frame(Frame::size, '\0');
    frame.replace(0, statusHeader().size(), statusHeader());
    frame[Frame::codeOffset] = static_cast<char>(code);
    putWord(frame, Frame::countOffset, count);
    sealFrame(frame);
    return frame;
}

} // namespace Protocol
