#include "bytetext.h"

#include <array>

namespace {

QString computeByteText(quint8 byte)
{
    const QString hex = QString::number(byte, 16).toUpper();
    bool allDigits = true;
    for (const QChar character : hex) {
        if (!character.isDigit()) {
            allDigits = false;
        }
    }
    // Only all-digit texts are padded, so 0x0A to 0x0F stay one letter: the dump has always
    // shown them that way, and a BCD field never holds them.
    return allDigits ? hex.rightJustified(2, QLatin1Char('0')) : hex;
}

std::array<QString, 256> buildTable(bool withBlanks)
{
    std::array<QString, 256> table;
    const QLatin1Char blank(' ');
    for (int byte = 0; byte < 256; ++byte) {
        const QString text = computeByteText(quint8(byte));
        table[byte] = withBlanks ? blank + text + blank : text;
    }
    return table;
}

} // namespace

const QString &byteText(quint8 byte)
{
    // Built once; every received byte then shares one of these texts instead of formatting.
    static const std::array<QString, 256> table = buildTable(false);
    return table[byte];
}

const QString &byteDumpText(quint8 byte)
{
    static const std::array<QString, 256> table = buildTable(true);
    return table[byte];
}
