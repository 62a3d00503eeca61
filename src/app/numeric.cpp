#include "app/numeric.h"

#include <cmath>
#include <limits>

std::int32_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (value <= lo)
        return std::numeric_limits<std::int32_t>::min();
    if (value >= hi)
        return std::numeric_limits<std::int32_t>::max();
    // nearbyint follows the current rounding mode, which is to-nearest-even.
    return static_cast<std::int32_t>(std::nearbyint(value));
}

QString shortestDecimal(double value, const QLocale &locale)
{
    if (value == 0.0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        if (locale.decimalPoint() != QStringLiteral("."))
            text.replace(QLatin1Char('.'), locale.decimalPoint());
    }
    return text;
}
