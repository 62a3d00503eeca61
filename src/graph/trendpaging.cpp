#include "graph/trendpaging.h"

namespace paging {

namespace {
constexpr std::int32_t kPage = SharedState::kPageSize;
}

void showNewest(SharedState &s, std::int32_t n)
{
    std::int32_t count = n % kPage;
    if (count == 0 && n >= kPage)
        count = kPage;
    s.gViewCount = count;
    s.gViewStart = n - count + 1;
}

bool firstPage(SharedState &s)
{
    if (s.gRecordCount() < kPage + 1)
        return false;
    s.gViewBrowsing = true;
    s.gViewStart = 1;
    s.gViewCount = kPage;
    return true;
}

bool previousPage(SharedState &s)
{
    if (s.gViewStart < kPage + 1 || s.gRecordCount() < 1)
        return false;
    s.gViewBrowsing = true;
    s.gViewStart -= kPage;
    s.gViewCount = kPage;
    return true;
}

bool newestPage(SharedState &s)
{
    if (s.gRecordCount() < 1)
        return false;
    s.gViewBrowsing = false;
    s.gViewCount = s.gRecordCount() % kPage == 0 ? kPage : s.gRecordCount() % kPage;
    s.gViewStart = s.gRecordCount() - s.gViewCount + 1;
    return true;
}

bool nextPage(SharedState &s)
{
    const std::int32_t d = s.gRecordCount() - s.gViewStart;
    if (d < kPage + 1 || s.gRecordCount() < 1)
        return false;
    s.gViewStart += kPage;
    s.gViewBrowsing = true;
    const std::int32_t e = s.gRecordCount() - s.gViewStart;
    if (e >= kPage) {
        s.gViewCount = kPage;
    } else {
        s.gViewBrowsing = false;
        s.gViewCount = e + 1;
    }
    return true;
}

std::array<QString, 3> xAxisLabels(const SharedState &s)
{
    return {QString::number(s.gViewStart), QString::number(s.gViewStart + SharedState::kMiddleLabelOffset),
            QString::number(s.gViewStart + SharedState::kLastLabelOffset)};
}

} // namespace paging
