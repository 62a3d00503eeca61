#pragma once

#include "app/sharedstate.h"
#include "print/printsurface.h"

#include <QString>
#include <array>
#include <functional>
#include <span>

// The two printed reports, drawn on any print surface. Each stops at the
// first step the surface refuses and then leaves the document as it is: the
// caller tells the user and discards it.
namespace reports {

// The data report: on every A4 portrait page a title, the column headings,
// up to 36 record lines and a footer "Page n   (date)". Fed one record at a
// time, so a report can be written while readings arrive.
class DataReport
{
public:
    static constexpr int kReportLeft = 1100;
    static constexpr int kHeadingTop = 1200;
    static constexpr int kLineStep = 400;
    static constexpr int kLastLineTop = 15600; // the 36th line of a page
    static constexpr int kFooterTop = 16000;
    static constexpr int kFooterOffset = 2000; // footer left = page width / 2 - this
    static constexpr int kLinesPerPage = 36;
    static constexpr int kColumnSteps[4] = {1000, 3000, 1500, 1000}; // FUN, DATA, UNIT, TIME

    // `date` gives the footer's date text, read for every footer.
    DataReport(printing::PrintSurface &surface, std::function<QString()> date);

    bool begin();                              // page 1: page start
    bool add(const MeasurementRecord &record); // a record line, and a page break after the 36th
    bool finish();                             // the last footer, then the end of the document

    int pageNumber() const { return m_pageNumber; }

    // " 12 ": the number form of the NO. column.
    static QString numberText(std::int32_t number);
    // "Page 2   (date)".
    static QString footerText(int page, const QString &date);

private:
    bool pageStart();
    bool footer();

    printing::PrintSurface &m_surface;
    std::function<QString()> m_date;
    int m_reportLeft = kReportLeft;
    int m_headingTop = kHeadingTop;
    int m_columnX = 0;
    int m_lineY = 0;
    int m_pageNumber = 1;
};

// The whole store, oldest first. True when the document was ended.
bool printDataReport(printing::PrintSurface &surface, std::span<const MeasurementRecord> records,
                     const std::function<QString()> &date);

// What the graph report copies from the windows at the moment of printing.
struct GraphReportLabels
{
    // Y-axis labels top to bottom: the graph window's Label8(0..7), Label6
    // ("0") at index 8, Label8(9..16).
    std::array<QString, 17> yLabels;
    // X-axis labels: numlabel1(0..2).
    std::array<QString, 3> xLabels;
    // The data window's clock caption.
    QString clock;
};

// Labels as a new graph window shows them for `scale`, with the X labels of
// the page starting at `pageStart`.
GraphReportLabels graphLabelsFor(std::int32_t scale, std::int64_t pageStart, const QString &clock);

// The graph report: one A4 landscape page with the title, the clock text,
// the framed plot area with zero line, ticks, dotted grid rows and axis
// labels, and the trend window's readings as a line through dots. The plot
// points are computed as the graph chart computes them (gPlotPoints is
// rewritten as a chart paint rewrites it) and placed at 3000 + 15x,
// 2500 + 15y. True when the document was ended.
bool printGraphReport(printing::PrintSurface &surface, SharedState &state, const GraphReportLabels &labels);

// Paper position of a graph chart point.
inline double graphPaperX(int chartX)
{
    return 3000.0 + 15.0 * chartX;
}
inline double graphPaperY(int chartY)
{
    return 2500.0 + 15.0 * chartY;
}

} // namespace reports
