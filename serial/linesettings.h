#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The line settings of the port as its settings text "speed,parity,databits,stopbits"
// carries them, for example 9600,n,8,1.
class LineSettings
{
public:
    qint32 speed = 9600;
    // Always one of e, o, n, m, s (lower case).
    QChar parity = QLatin1Char('n');
    int dataBits = 8;
    // "1", "1.5" or "2", kept as text because one of them is not a whole number; "1.5" only
    // where the serial layer can really set it (Windows).
    QString stopBits = QStringLiteral("1");

    // Reads a settings text in any letter case; empty when any field is missing, extra or
    // out of range.
    static std::optional<LineSettings> fromText(const QString &text);
    // The text the port reports: the parity letter in lower case.
    QString toText() const;

    // The rates the serial layer sets by name; the port takes any other through its control
    // block.
    static bool isStandardSpeed(qint32 speed);

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};
