#pragma once

// A surface factory for windows that print: each surface records into one
// place the test owns, which outlives the surface the window throws away.
#include "platform/printsurfaces.h"
#include "print/printsurface.h"

#include <memory>

namespace recordingprint {

struct Kept
{
    std::vector<printing::RecordingSurface::Entry> entries;
    int surfacesMade = 0;
    int stepsAsked = 0;
    bool documentEnded = false;
    int failAt = 0; // the step of every surface made that fails (0: none)
};

class KeptSurface : public printing::RecordingSurface
{
public:
    explicit KeptSurface(Kept &kept) : m_kept(kept)
    {
        if (kept.failAt > 0)
            failAt(kept.failAt, QStringLiteral("step %1 refused").arg(kept.failAt));
    }
    ~KeptSurface() override
    {
        m_kept.entries = entries;
        m_kept.stepsAsked = stepsAsked();
        m_kept.documentEnded = documentEnded;
    }

private:
    Kept &m_kept;
};

inline printing::SurfaceFactory factory(Kept &kept)
{
    return [&kept]() -> std::unique_ptr<printing::PrintSurface> {
        ++kept.surfacesMade;
        return std::make_unique<KeptSurface>(kept);
    };
}

} // namespace recordingprint
