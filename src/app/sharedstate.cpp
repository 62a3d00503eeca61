#include "app/sharedstate.h"

#include <cstring>

SharedState::SharedState() : gRecords(kCapacity) {}

std::int32_t SharedState::append(const MeasurementRecord &record)
{
    const std::int32_t n = ++m_recordCount;
    MeasurementRecord &stored = gRecords[static_cast<std::size_t>(n - 1)];
    stored = record;
    stored.number = n;
    return n;
}

bool SharedState::isUnsetMark(double v)
{
    // Bit-for-bit comparison: only the stored mark itself counts.
    return std::memcmp(&v, &kUnsetMark, sizeof v) == 0;
}

SharedState::ExtremesChange SharedState::takeExtremes(double v)
{
    ExtremesChange change;
    if (!isUnsetMark(varmin) && !isUnsetMark(varmax)) {
        if (varmin > v) {
            varmin = v;
            change.minChanged = true;
        }
        if (varmax < v) {
            varmax = v;
            change.maxChanged = true;
        }
    } else {
        varmin = varmax = v;
        change.minChanged = change.maxChanged = true;
    }
    return change;
}
