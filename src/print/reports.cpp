#include "print/reports.h"

#include "display/scaletable.h"
#include "graph/chartpath.h"

namespace reports {

using printing::Orientation;
using printing::PenStyle;
using printing::PrintSurface;

namespace {

const QString kArial = QStringLiteral("Arial");

} // namespace

DataReport::DataReport(PrintSurface &surface, std::function<QString()> date)
    : m_surface(surface), m_date(std::move(date))
{
}

QString DataReport::numberText(std::int32_t number)
{
    return QLatin1Char(' ') + QString::number(number) + QLatin1Char(' ');
}

QString DataReport::footerText(int page, const QString &date)
{
    return QStringLiteral("Page %1   (%2)").arg(page).arg(date);
}

bool DataReport::begin()
{
    m_pageNumber = 1;
    return pageStart();
}

bool DataReport::pageStart()
{
    PrintSurface &s = m_surface;
    if (!s.setPaperA4() || !s.setOrientation(Orientation::Portrait))
        return false;
    if (!s.setFontName(kArial) || !s.setFontSize(24) || !s.setFontBold(true))
        return false;
    if (!s.moveTo(2200, 400) || !s.print(QStringLiteral("Quenvo Data Report")))
        return false;
    m_reportLeft = kReportLeft;
    m_headingTop = kHeadingTop;
    if (!s.setFontSize(15))
        return false;
    m_columnX = m_reportLeft;
    if (!s.moveTo(m_columnX, m_headingTop) || !s.print(QStringLiteral("NO.")))
        return false;
    static const QString headings[4] = {QStringLiteral("FUN"), QStringLiteral("DATA"), QStringLiteral("UNIT"),
                                        QStringLiteral("TIME")};
    for (int c = 0; c < 4; ++c) {
        m_columnX += kColumnSteps[c];
        if (!s.moveTo(m_columnX, m_headingTop) || !s.print(headings[c]))
            return false;
    }
    m_lineY = m_headingTop;
    return true;
}

bool DataReport::add(const MeasurementRecord &r)
{
    PrintSurface &s = m_surface;
    m_columnX = m_reportLeft;
    m_lineY += kLineStep;
    if (!s.setFontName(kArial) || !s.setFontSize(12) || !s.setFontBold(false))
        return false;
    if (!s.moveTo(m_columnX, m_lineY) || !s.print(numberText(r.number)))
        return false;
    const QString *items[4] = {&r.function, &r.data, &r.unit, &r.time};
    for (int c = 0; c < 4; ++c) {
        m_columnX += kColumnSteps[c];
        if (!s.moveTo(m_columnX, m_lineY) || !s.print(*items[c]))
            return false;
    }
    if (m_lineY >= kLastLineTop) {
        if (!footer() || !s.newPage() || !pageStart())
            return false;
        ++m_pageNumber;
    }
    return true;
}

bool DataReport::footer()
{
    const std::optional<double> width = m_surface.width();
    if (!width)
        return false;
    return m_surface.moveTo(*width / 2.0 - kFooterOffset, kFooterTop) &&
           m_surface.print(footerText(m_pageNumber, m_date ? m_date() : QString()));
}

bool DataReport::finish()
{
    return footer() && m_surface.endDocument();
}

bool printDataReport(PrintSurface &surface, std::span<const MeasurementRecord> records,
                     const std::function<QString()> &date)
{
    DataReport report(surface, date);
    if (!report.begin())
        return false;
    // The count is taken once: the report holds the records present now.
    for (const MeasurementRecord &r : records)
        if (!report.add(r))
            return false;
    return report.finish();
}

// ------------------------------------------------------------- graph report

GraphReportLabels graphLabelsFor(std::int32_t scale, std::int64_t pageStart, const QString &clock)
{
    GraphReportLabels labels;
    const std::array<QString, 17> y = scales::graphLabels(scale);
    for (std::size_t k = 0; k < 17; ++k)
        labels.yLabels[k] = y[k];
    labels.yLabels[8] = QStringLiteral("0");
    labels.xLabels = {QString::number(pageStart),
                      QString::number(pageStart + SharedState::kMiddleLabelOffset),
                      QString::number(pageStart + SharedState::kLastLabelOffset)};
    labels.clock = clock;
    return labels;
}

namespace {

constexpr double kFrameLeft = 3000;
constexpr double kFrameTop = 2500;
constexpr double kFrameRight = 13605;
constexpr double kFrameBottom = 9940;
constexpr double kZeroLine = 6226;
constexpr double kTickStep = 105;
constexpr double kTickTop = 9880;
constexpr double kRowStep = 414;
constexpr double kYLabelLeft = 2500;
constexpr double kYLabelTop = 2834;
constexpr double kXLabelTop = 10000;
constexpr double kXLabelLeft[3] = {3105, 8230, 13470};
constexpr double kDotRadius = 30;

} // namespace

bool printGraphReport(PrintSurface &s, SharedState &state, const GraphReportLabels &labels)
{
    if (!s.setPaperA4() || !s.setOrientation(Orientation::Landscape))
        return false;
    if (!s.setFontName(kArial) || !s.setFontSize(24) || !s.setFontBold(true))
        return false;
    if (!s.moveTo(5300, 800) || !s.print(QStringLiteral("Quenvo Graph Report")))
        return false;
    if (!s.setFontSize(10) || !s.setFontBold(false))
        return false;
    for (int k = 0; k < 17; ++k)
        if (!s.moveTo(kYLabelLeft, kYLabelTop + kRowStep * k) || !s.print(labels.yLabels[std::size_t(k)]))
            return false;
    for (int i = 0; i < 3; ++i)
        if (!s.moveTo(kXLabelLeft[i], kXLabelTop) || !s.print(labels.xLabels[std::size_t(i)]))
            return false;
    if (!s.moveTo(7000, 1500) || !s.print(labels.clock))
        return false;

    if (!s.setPenStyle(PenStyle::Solid) || !s.line(kFrameLeft, kFrameTop, kFrameRight, kFrameTop) ||
        !s.line(kFrameLeft, kFrameBottom, kFrameRight, kFrameBottom) ||
        !s.line(kFrameLeft, kFrameTop, kFrameLeft, kFrameBottom) ||
        !s.line(kFrameRight, kFrameTop, kFrameRight, kFrameBottom) ||
        !s.line(kFrameLeft, kZeroLine, kFrameRight, kZeroLine))
        return false;
    for (int i = 1; i <= SharedState::kPageSize; ++i)
        if (!s.line(kFrameLeft + kTickStep * i, kTickTop, kFrameLeft + kTickStep * i, kFrameBottom))
            return false;
    if (!s.setPenStyle(PenStyle::Dotted))
        return false;
    for (int j = 1; j <= 17; ++j)
        if (!s.line(kFrameLeft, kFrameTop + kRowStep * j, kFrameRight, kFrameTop + kRowStep * j))
            return false;
    if (!s.setPenStyle(PenStyle::Solid))
        return false;

    if (state.gRecordCount() > 0) {
        const int count = chart::computePlotPoints(state, chart::Geometry::graph());
        auto at = [&state](int index) {
            const PlotPoint &p = state.gPlotPoints[static_cast<std::size_t>(index)];
            return std::pair{graphPaperX(p.x), graphPaperY(p.y)};
        };
        if (!s.setFillSolid())
            return false;
        if (count == 1) {
            const auto [x, y] = at(0);
            if (!s.circle(x, y, kDotRadius))
                return false;
        }
        for (int i = 2; i <= count; ++i) {
            const auto [x1, y1] = at(i - 1);
            const auto [x0, y0] = at(i - 2);
            if (!s.line(x1, y1, x0, y0) || !s.circle(x1, y1, kDotRadius) || !s.circle(x0, y0, kDotRadius))
                return false;
        }
    }
    return s.endDocument();
}

} // namespace reports
