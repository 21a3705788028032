#pragma once

#include <QByteArray>
#include <QString>

// The texts of the acknowledgement and the nine fixed command frames, as sent.
namespace FrameText {
inline constexpr char ack[] = "4F 4B 21";
inline constexpr char manualMode[]
    = "8E 01 7A 00 00 00 00 00 42 01 00 00 00 00 00 00 00 00 00 00 0A CF C4 8E";
inline constexpr char autoMode[]
    = "8E 01 7A 00 00 00 00 00 42 02 00 00 00 00 00 00 00 00 00 00 0A CA 5B 8E";
inline constexpr char triggerSync[]
    = "8E 01 7A 00 00 00 00 00 42 03 00 00 00 00 00 00 00 00 00 00 0A C9 2E 8E";
inline constexpr char triggerAsync[]
    = "8E 01 7A 00 00 00 00 00 42 04 00 00 00 00 00 00 00 00 00 00 0A C1 65 8E";
inline constexpr char manualStart[]
    = "8E 01 7A 00 00 00 00 00 43 01 00 00 00 00 00 00 00 00 00 00 0A 8A A7 8E";
inline constexpr char manualStop[]
    = "8E 01 7A 00 00 00 00 00 43 00 00 00 00 00 00 00 00 00 00 00 0A 89 D2 8E";
inline constexpr char autoStart[]
    = "8E 01 7A 00 00 00 00 00 44 01 00 00 00 00 00 00 00 00 00 00 0A 40 AF 8E";
inline constexpr char autoOff[]
    = "8E 01 7A 00 00 00 00 00 44 00 00 00 00 00 00 00 00 00 00 00 0A 43 DA 8E";
inline constexpr char autoStop[]
    = "8E 01 7A 00 00 00 00 00 44 02 00 00 00 00 00 00 00 00 00 00 0A 45 30 8E";
} // namespace FrameText

constexpr int commandFrameSize = 24;

// Upper-cases a frame text and turns it into bytes (blanks are skipped).
QByteArray frameFromText(const QString &text);

// The 21 covered bytes of the parameter frame as text, argument digits in
// lower case: "8E 01 7A 00 00 00 00 00 41 00 02 00 02 00 0a 00 00 00 00 00 0A".
QString parameterFrameText(int openTime, int closeTime, int cycles);

// What the log shows of a parameter frame: the covered text, then the four
// lower-case CRC digits and "8E", with no blanks between them.
QString parameterLogText(int openTime, int closeTime, int cycles);

// The 24 bytes of the parameter frame (command 0x41).
QByteArray parameterFrame(int openTime, int closeTime, int cycles);

// Ends a 24-byte frame whose bytes 0-19 are set: 0A, the CRC of bytes 0-20
// (high byte first) and the end byte 8E. Status frames are laid out alike.
void sealFrame(QByteArray &frame);

// A 24-byte command frame with one argument byte at offset 9 (codes 0x42 to 0x44).
QByteArray commandFrame(quint8 code, quint8 argument);
