#include "linesettings.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace {

// The rates the serial layer sets by name: on Linux the B-constants of termios; on Windows
// the CBR constants without the port panel's odd ones (14400, 28800, 56000, 76800, 128000,
// 256000), so that both platforms treat the same panel entries the same way. Any other rate
// goes to the port through its native control block, which runs a port at whatever rate its
// driver takes.
#ifdef Q_OS_WIN
constexpr std::array kStandardSpeeds { 110,  300,   600,   1200,  2400,  4800,
                                       9600, 19200, 38400, 57600, 115200 };
#else
constexpr std::array kStandardSpeeds { 50,      75,      110,     134,     150,     200,
                                       300,     600,     1200,    1800,    2400,    4800,
                                       9600,    19200,   38400,   57600,   115200,  230400,
                                       460800,  500000,  576000,  921600,  1000000, 1152000,
                                       1500000, 2000000, 2500000, 3000000, 3500000, 4000000 };
#endif

// One and a half stop bits: the serial layer sets them on Windows. On Linux and the other
// Unix systems it quietly runs one stop bit instead, and the port would then report and store
// a setting the line does not have, so the text refuses them there. The tty has no setting of
// its own for them either: two stop bits with 5 data bits give 1.5 only on some UARTs, and
// nothing here could check which.
#ifdef Q_OS_WIN
constexpr bool kOneAndHalfStopBitsPossible = true;
#else
constexpr bool kOneAndHalfStopBitsPossible = false;
#endif

bool isAsciiDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

std::optional<LineSettings> LineSettings::fromText(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) {
        return std::nullopt;
    }
    const QString speedText = fields.at(0).trimmed();
    const QString parityText = fields.at(1).trimmed().toLower();
    const QString dataBitsText = fields.at(2).trimmed();
    const QString stopBitsText = fields.at(3).trimmed();

    // Digits only and at most nine of them, so the conversion below cannot overflow.
    if (!isAsciiDigits(speedText) || speedText.size() > 9) {
        return std::nullopt;
    }
    LineSettings result;
    result.speed = speedText.toInt();
    if (result.speed <= 0) {
        return std::nullopt;
    }
    if (parityText.size() != 1 || !QStringLiteral("eonms").contains(parityText.at(0))) {
        return std::nullopt;
    }
    result.parity = parityText.at(0);
    // The serial layer would take 4 or 9 data bits without complaint; a real line has 5 to 8.
    if (dataBitsText.size() != 1 || dataBitsText.at(0) < QLatin1Char('5')
        || dataBitsText.at(0) > QLatin1Char('8')) {
        return std::nullopt;
    }
    result.dataBits = dataBitsText.toInt();
    if (stopBitsText != QLatin1String("1") && stopBitsText != QLatin1String("2")
        && !(kOneAndHalfStopBitsPossible && stopBitsText == QLatin1String("1.5"))) {
        return std::nullopt;
    }
    result.stopBits = stopBitsText;
    return result;
}

QString LineSettings::toText() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(speed).arg(parity).arg(dataBits).arg(stopBits);
}

bool LineSettings::isStandardSpeed(qint32 speed)
{
    return std::find(kStandardSpeeds.cbegin(), kStandardSpeeds.cend(), speed)
        != kStandardSpeeds.cend();
}
