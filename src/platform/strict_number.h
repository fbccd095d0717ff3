#pragma once

#include <QString>

// Whole-number conversion that refuses anything but a whole number in 32 bits: leading
// blanks, an optional sign, decimal digits (or "$"/"0x" and hex digits). Throws XConvertError.
qint32 StrToInt(const QString& text);
