#include "display/bargraph.h"

#include "app/numeric.h"

#include <cmath>
#include <cstdlib>

BarUpdate computeBarUpdate(double fullScale, double value, bool overRange, const QLocale &locale)
{
    BarUpdate u;
    u.scaleLabels = {shortestDecimal(fullScale / 4, locale), shortestDecimal(fullScale / 2, locale),
                     shortestDecimal(fullScale / 4 * 3, locale), shortestDecimal(fullScale, locale)};
    u.minusShown = value < 0;
    if (overRange) {
        u.litThrough = kBarSegments - 1;
        return u;
    }
    if (fullScale == 0.0)
        return u;
    const double k = std::abs(static_cast<double>(roundHalfEven(value * 40 / fullScale)));
    if (k <= 40)
        u.litThrough = static_cast<int>(k);
    return u;
}
