#pragma once

#include <QByteArray>
#include <QDateTime>

// The 12 bytes a time receiver sends for a local date and time: start byte 0xAA, the header
// 0xA1 0xA2, century, year, month, day, the day of the week (1 Monday to 7 Sunday), hour,
// minute, second, each as two BCD digits, and the end byte 0x03. Used by the receiver
// simulator, the tests and the benchmarks; years outside 0 to 9999 give an empty array.
QByteArray receiverFrame(const QDateTime &dateTime);
