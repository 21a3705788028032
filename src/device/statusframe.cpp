#include "device/statusframe.h"

#include "device/frames.h"

namespace {
constexpr char header[] = "\x8E\x02\x7A\x10\xFF";
constexpr int headerSize = 5;
constexpr int codeOffset = 8;
constexpr int countOffset = 11;
constexpr int statusFrameSize = 24;
} // namespace

QByteArray statusHeader()
{
    return QByteArray(header, headerSize);
}

bool hasDeviceHeader(const QByteArray &frame)
{
    return frame.startsWith(QByteArray(header, 3));
}

StatusReport readStatusFrame(const QByteArray &frame)
{
    StatusReport report;
    // Bytes 0-8 are one unit: header, three zero bytes, then the code.
    static const QByteArray prefix = statusHeader() + QByteArray(3, '\0');
    if (frame.size() <= codeOffset || !frame.startsWith(prefix))
        return report;

    switch (static_cast<quint8>(frame.at(codeOffset))) {
    case 0x41:
    case 0x42:
    case 0x46:
        report.kind = StatusReport::Acknowledge;
        return report;
    case 0x43:
    case 0x45:
        report.kind = StatusReport::TriggerCount;
        break;
    case 0x44:
        report.kind = StatusReport::CycleCount;
        break;
    default:
        return report;
    }

    // A frame cut inside the count keeps what it holds of it (byte 11 alone).
    if (frame.size() > countOffset + 1)
        report.count = (static_cast<quint8>(frame.at(countOffset)) << 8)
            | static_cast<quint8>(frame.at(countOffset + 1));
    else if (frame.size() > countOffset)
        report.count = static_cast<quint8>(frame.at(countOffset));
    return report;
}

QByteArray statusFrame(quint8 code, quint16 count)
{
    QByteArray frame(statusFrameSize, '\0');
    frame.replace(0, headerSize, statusHeader());
    frame[codeOffset] = static_cast<char>(code);
    frame[countOffset] = static_cast<char>(count >> 8);
    frame[countOffset + 1] = static_cast<char>(count & 0xFF);
    sealFrame(frame);
    return frame;
}
