#include "jsonnumbers.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

// Qt 5 writes a whole number below 2^64 in plain digits.
constexpr double plainWholeLimit = 18446744073709551616.0;
// From four zeros after the point on (0.00005), Qt 5 writes a fraction with an exponent.
constexpr int firstExponentPoint = -4;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isNumberChar(char c)
{
    return isDigit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

// Qt 5's form of a finite number: plain digits when whole, otherwise the
// exponent form only where it is the shorter one.
QByteArray qt5Number(double value)
{
    const QByteArray exponentForm = QByteArray::number(value, 'e', QLocale::FloatingPointShortest);
    const auto mark = exponentForm.indexOf('e');
    QByteArray digits;
    for (char c : exponentForm.left(mark)) {
        if (isDigit(c))
            digits += c;
    }
    const int count = static_cast<int>(digits.size()); // at most 17
    const int point = exponentForm.mid(mark + 1).toInt() + 1; // digits before the point
    const double magnitude = std::abs(value);
    const bool plainWhole = magnitude < plainWholeLimit && magnitude == std::floor(magnitude);
    // The length of the exponent form, from which on Qt 5 prefers it to trailing zeros.
    const int cutoff = point > 0 ? count + 4 + (point > 100 ? 2 : 1) + (count > point ? 1 : 0) : 6;
    if (!plainWhole && point != count && (point <= firstExponentPoint || point > cutoff))
        return exponentForm;
    QByteArray text;
    if (point <= 0)
        text = "0." + QByteArray(-point, '0') + digits;
    else if (point >= count)
        text = digits + QByteArray(point - count, '0');
    else
        text = digits.left(point) + '.' + digits.mid(point);
    return value < 0 ? '-' + text : text;
}

// Up to 15 digits, no sign, point or exponent: exact in a double, so both
// forms are these digits.
bool isShortWhole(const QByteArray &number)
{
    return number.size() <= 15 && std::all_of(number.begin(), number.end(), isDigit);
}

} // namespace

QByteArray withQt5Numbers(const QByteArray &json)
{
    QByteArray out;
    out.reserve(json.size());
    bool inString = false;
    int copied = 0; // json before this is in out already
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (inString) {
            if (c == '\\')
                ++i; // an escaped character, perhaps a quote
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        if (c != '-' && !isDigit(c))
            continue;
        int end = i + 1;
        while (end < json.size() && isNumberChar(json.at(end)))
            ++end;
        const QByteArray number = json.mid(i, end - i);
        // Whole numbers of a double's exact digits read alike in both forms.
        if (!isShortWhole(number)) {
            out += json.mid(copied, i - copied) + qt5Number(number.toDouble());
            copied = end;
        }
        i = end - 1;
    }
    return out + json.mid(copied);
}
