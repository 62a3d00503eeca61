#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

// Real to whole number: nearest, an exact half to the even neighbour.
// Values outside the 32-bit range saturate.
std::int32_t roundHalfEven(double value);

// Shortest decimal text of a double: no exponent, no trailing zeros, "-" for
// negatives, the locale's decimal separator (250, 7.5, 0.25, -1.25).
QString shortestDecimal(double value, const QLocale &locale = QLocale::c());
