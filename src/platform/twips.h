#pragma once

#include <QPoint>
#include <QRect>
#include <cmath>

// Window geometry is given in twips: 1440 per inch, 15 per pixel at 96 dpi.
// Elements are placed in pixels at 96 dpi; Qt's high-DPI scaling does the rest.
namespace twips {

inline constexpr int kPerPixel = 15;

// Nearest pixel, an exact half to the even neighbour.
inline int px(int twipsValue)
{
    return static_cast<int>(std::nearbyint(static_cast<double>(twipsValue) / kPerPixel));
}

inline QRect rect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

inline QPoint point(int x, int y)
{
    return {px(x), px(y)};
}

} // namespace twips
