#pragma once

#include <QString>
#include <QtGlobal>

// The text a received byte is shown and stored as: its upper-case hexadecimal digits, padded
// to two digits only when both are decimal digits. So 0x03 is "03", 0x0A is "A" and 0xAA is
// "AA". The frame assembler compares these texts, so the rule must never change.
const QString &byteText(quint8 byte);

// The byte text as the dump box shows it: one blank before and one after (" 03 ").
const QString &byteDumpText(quint8 byte);
