#pragma once

#include "app/sharedstate.h"

#include <QString>
#include <array>

// The trend window arithmetic shared by both charts. Pages hold 100 records
// and start at 1, 101, 201, ... Each step returns false and changes nothing
// when its condition fails; on true the caller relabels and repaints.
namespace paging {

// Newest page for n records: the remainder of n / 100, or a full page when
// that remainder is 0 (and n >= 100). n = 0 gives an empty window at 1.
void showNewest(SharedState &s, std::int32_t n);

bool firstPage(SharedState &s);    // needs more than 100 records; browsing
bool previousPage(SharedState &s); // needs a page before this one; browsing
bool newestPage(SharedState &s);   // needs a record; following again
bool nextPage(SharedState &s);     // needs more than 100 records after the start;
                                   // following again when it reaches the newest

// Record numbers written under slots 1, 50 and 100 of the window.
std::array<QString, 3> xAxisLabels(const SharedState &s);

} // namespace paging
