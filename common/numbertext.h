#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Stored settings are texts; these turn them into numbers the way the program has always
// read them, so that hand-edited files and old values keep their meaning.

// The number a text begins with: blanks skipped, an optional sign, digits, an optional
// decimal point and fraction. A text that does not begin with a number gives 0.
double leadingNumber(const QString &text);

// Rounds to the nearest whole number, a half going to the even neighbour (2.5 -> 2).
double roundHalfEven(double value);

// Half-to-even rounding into a signed 16- or 32-bit integer; empty when the rounded value
// does not fit (or is not a number).
std::optional<qint16> toInt16(double value);
std::optional<qint32> toInt32(double value);

// A Boolean from a stored text: "True"/"False" in any letter case, or a number that is
// true when not 0. Anything else is not a Boolean.
std::optional<bool> booleanFromText(const QString &text);
