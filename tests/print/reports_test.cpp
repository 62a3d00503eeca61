// The two report layouts on the recording surface: every text, line and dot
// in twips, the page breaks, and a failure at each step in turn.
#include "print/reports.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using printing::Orientation;
using printing::PenStyle;
using printing::PrintStep;
using printing::RecordingSurface;
using reports::DataReport;
using reports::GraphReportLabels;
using Kind = PrintStep::Kind;
using Entry = RecordingSurface::Entry;

const QString kDate = QStringLiteral("5/17/24");

std::vector<MeasurementRecord> makeRecords(int n)
{
    std::vector<MeasurementRecord> records;
    for (int i = 1; i <= n; ++i)
        records.push_back({i, i * 0.5, QStringLiteral("VDC"), QStringLiteral("5/17/24\\14:03:%1").arg(i % 60),
                           QStringLiteral("V"), QString::number(i * 0.5, 'f', 3)});
    return records;
}

RecordingSurface printData(const std::vector<MeasurementRecord> &records)
{
    RecordingSurface surface;
    EXPECT_TRUE(reports::printDataReport(surface, records, [] { return kDate; }));
    return surface;
}

void expectText(const Entry &e, double x, double y, const QString &text)
{
    EXPECT_EQ(e.step.text, text);
    EXPECT_DOUBLE_EQ(e.step.x, x) << text.toStdString();
    EXPECT_DOUBLE_EQ(e.step.y, y) << text.toStdString();
}

const double kFooterX = printing::PrintSurface::kA4WidthTwips / 2 - 2000;

// Title and headings at the top of a page; returns the index after them.
std::size_t expectPageStart(const std::vector<Entry> &texts)
{
    EXPECT_GE(texts.size(), 6u);
    expectText(texts[0], 2200, 400, QStringLiteral("Quenvo Data Report"));
    EXPECT_EQ(texts[0].font, (printing::TextFont{QStringLiteral("Arial"), 24, true}));
    const char *headings[] = {"NO.", "FUN", "DATA", "UNIT", "TIME"};
    const double lefts[] = {1100, 2100, 5100, 6600, 7600};
    for (int c = 0; c < 5; ++c) {
        expectText(texts[std::size_t(c) + 1], lefts[c], 1200, QString::fromLatin1(headings[c]));
        EXPECT_EQ(texts[std::size_t(c) + 1].font, (printing::TextFont{QStringLiteral("Arial"), 15, true}));
    }
    return 6;
}

void expectRecordLine(const std::vector<Entry> &texts, std::size_t at, const MeasurementRecord &r, double top)
{
    ASSERT_GE(texts.size(), at + 5);
    expectText(texts[at], 1100, top, QStringLiteral(" %1 ").arg(r.number));
    expectText(texts[at + 1], 2100, top, r.function);
    expectText(texts[at + 2], 5100, top, r.data);
    expectText(texts[at + 3], 6600, top, r.unit);
    expectText(texts[at + 4], 7600, top, r.time);
    for (std::size_t k = at; k < at + 5; ++k)
        EXPECT_EQ(texts[k].font, (printing::TextFont{QStringLiteral("Arial"), 12, false}));
}

TEST(DataReportTest, OneRecordIsOnePageWithTitleHeadingsLineAndFooter)
{
    const auto records = makeRecords(1);
    const RecordingSurface s = printData(records);
    EXPECT_EQ(s.pages, 1);
    EXPECT_TRUE(s.documentEnded);
    const auto texts = s.texts();
    ASSERT_EQ(texts.size(), 12u);
    const std::size_t at = expectPageStart(texts);
    expectRecordLine(texts, at, records[0], 1600);
    expectText(texts[11], kFooterX, 16000, QStringLiteral("Page 1   (5/17/24)"));
    EXPECT_EQ(texts[11].font.pointSize, 12); // the font of the last record line
    // A4 portrait set before anything was drawn; the document ended last.
    EXPECT_EQ(s.entries.front().step.kind, Kind::PaperA4);
    EXPECT_EQ(s.entries[1].step.kind, Kind::Orientation);
    EXPECT_EQ(s.entries[1].step.value, int(Orientation::Portrait));
    EXPECT_EQ(s.entries.back().step.kind, Kind::EndDocument);
}

TEST(DataReportTest, PagesHold36LinesAndAFullLastPageAddsAnEmptyOne)
{
    struct Case
    {
        int records;
        int pages;
    };
    for (const Case c : {Case{36, 2}, Case{37, 2}, Case{72, 3}, Case{73, 3}}) {
        SCOPED_TRACE(c.records);
        const auto records = makeRecords(c.records);
        const RecordingSurface s = printData(records);
        EXPECT_EQ(s.pages, c.pages);
        EXPECT_EQ(s.ofKind(Kind::NewPage).size(), std::size_t(c.pages - 1));
        int next = 0;
        for (int page = 1; page <= c.pages; ++page) {
            SCOPED_TRACE(page);
            const auto texts = s.texts(page);
            std::size_t at = expectPageStart(texts);
            const int lines = std::min(36, c.records - next);
            ASSERT_EQ(texts.size(), 6u + 5u * std::size_t(lines) + 1u);
            for (int line = 0; line < lines; ++line, at += 5)
                expectRecordLine(texts, at, records[std::size_t(next + line)], 1600 + 400 * line);
            next += lines;
            expectText(texts.back(), kFooterX, 16000, QStringLiteral("Page %1   (5/17/24)").arg(page));
        }
        EXPECT_EQ(next, c.records);
    }
}

TEST(DataReportTest, OverRangePrintsItsTextAndNumbersKeepTheirSpaces)
{
    auto records = makeRecords(2);
    records[1].data = QStringLiteral(".OL");
    records[1].number = 50000;
    const auto texts = printData(records).texts();
    EXPECT_EQ(texts[13].step.text, QStringLiteral(".OL"));
    EXPECT_DOUBLE_EQ(texts[13].step.x, 5100);
    EXPECT_EQ(texts[11].step.text, QStringLiteral(" 50000 "));
    EXPECT_EQ(DataReport::footerText(12, QStringLiteral("2024-5-17")),
              QStringLiteral("Page 12   (2024-5-17)"));
}

TEST(DataReportTest, FooterIsCentredOnTheWidthReadAtThatMoment)
{
    // A surface whose page is narrower: the footer follows the width it reports.
    class Narrow : public RecordingSurface
    {
    protected:
        bool perform(const PrintStep &step, double &widthOut) override
        {
            const bool ok = RecordingSurface::perform(step, widthOut);
            if (step.kind == Kind::Width)
                widthOut = 11000.5;
            return ok;
        }
    } s;
    ASSERT_TRUE(reports::printDataReport(s, makeRecords(1), [] { return kDate; }));
    EXPECT_DOUBLE_EQ(s.texts().back().step.x, 11000.5 / 2 - 2000);
}

// Every step of a layout fails in turn: the layout stops there, nothing is
// asked after it, and the document is not ended.
template <typename Print> void expectStopsAtEveryStep(Print print)
{
    RecordingSurface full;
    ASSERT_TRUE(print(full));
    const int steps = full.stepsAsked();
    ASSERT_GT(steps, 10);
    for (int k = 1; k <= steps; ++k) {
        SCOPED_TRACE(k);
        RecordingSurface s;
        s.failAt(k, QStringLiteral("step %1").arg(k));
        EXPECT_FALSE(print(s));
        EXPECT_TRUE(s.failed());
        EXPECT_EQ(s.failureDetail(), QStringLiteral("step %1").arg(k));
        EXPECT_EQ(s.stepsAsked(), k);
        EXPECT_EQ(s.entries.size(), std::size_t(k - 1));
        EXPECT_FALSE(s.documentEnded);
        // Sticky: a later step fails at once and records nothing.
        EXPECT_FALSE(s.print(QStringLiteral("more")));
        EXPECT_FALSE(s.width().has_value());
        EXPECT_EQ(s.stepsAsked(), k);
    }
}

TEST(DataReportTest, AFailureAtAnyStepEndsTheReportThere)
{
    const auto records = makeRecords(37);
    expectStopsAtEveryStep(
        [&](RecordingSurface &s) { return reports::printDataReport(s, records, [] { return kDate; }); });
}

// ---------------------------------------------------------------- graph

GraphReportLabels someLabels()
{
    GraphReportLabels labels;
    for (std::size_t k = 0; k < 17; ++k)
        labels.yLabels[k] = QStringLiteral("y%1").arg(k);
    labels.xLabels = {QStringLiteral("x0"), QStringLiteral("x1"), QStringLiteral("x2")};
    labels.clock = QStringLiteral("5/17/24 2:03:09 PM");
    return labels;
}

std::vector<Entry> linesOf(const RecordingSurface &s, PenStyle pen)
{
    std::vector<Entry> out;
    for (const Entry &e : s.ofKind(Kind::Line))
        if (e.pen == pen)
            out.push_back(e);
    return out;
}

void expectLine(const Entry &e, double x1, double y1, double x2, double y2)
{
    EXPECT_DOUBLE_EQ(e.step.x, x1);
    EXPECT_DOUBLE_EQ(e.step.y, y1);
    EXPECT_DOUBLE_EQ(e.step.x2, x2);
    EXPECT_DOUBLE_EQ(e.step.y2, y2);
}

TEST(GraphReportTest, EmptyStoreGivesTitleLabelsFrameGridAndTicksOnALandscapePage)
{
    SharedState state;
    RecordingSurface s;
    ASSERT_TRUE(reports::printGraphReport(s, state, someLabels()));
    EXPECT_EQ(s.pages, 1);
    EXPECT_TRUE(s.documentEnded);
    EXPECT_EQ(s.entries[1].step.kind, Kind::Orientation);
    EXPECT_EQ(s.entries[1].step.value, int(Orientation::Landscape));

    const auto texts = s.texts();
    ASSERT_EQ(texts.size(), 1u + 17u + 3u + 1u);
    expectText(texts[0], 5300, 800, QStringLiteral("Quenvo Graph Report"));
    EXPECT_EQ(texts[0].font, (printing::TextFont{QStringLiteral("Arial"), 24, true}));
    for (int k = 0; k < 17; ++k) {
        expectText(texts[std::size_t(k) + 1], 2500, 2834 + 414 * k, QStringLiteral("y%1").arg(k));
        EXPECT_EQ(texts[std::size_t(k) + 1].font, (printing::TextFont{QStringLiteral("Arial"), 10, false}));
    }
    expectText(texts[18], 3105, 10000, QStringLiteral("x0"));
    expectText(texts[19], 8230, 10000, QStringLiteral("x1"));
    expectText(texts[20], 13470, 10000, QStringLiteral("x2"));
    expectText(texts[21], 7000, 1500, QStringLiteral("5/17/24 2:03:09 PM"));

    const auto solid = linesOf(s, PenStyle::Solid);
    ASSERT_EQ(solid.size(), 5u + 100u);
    expectLine(solid[0], 3000, 2500, 13605, 2500);
    expectLine(solid[1], 3000, 9940, 13605, 9940);
    expectLine(solid[2], 3000, 2500, 3000, 9940);
    expectLine(solid[3], 13605, 2500, 13605, 9940);
    expectLine(solid[4], 3000, 6226, 13605, 6226);
    for (int i = 1; i <= 100; ++i)
        expectLine(solid[std::size_t(4 + i)], 3000 + 105 * i, 9880, 3000 + 105 * i, 9940);
    const auto dotted = linesOf(s, PenStyle::Dotted);
    ASSERT_EQ(dotted.size(), 17u);
    for (int j = 1; j <= 17; ++j)
        expectLine(dotted[std::size_t(j - 1)], 3000, 2500 + 414 * j, 13605, 2500 + 414 * j);
    EXPECT_TRUE(s.ofKind(Kind::Circle).empty());
    EXPECT_EQ(state.gPlotPoints[0].x, 0); // untouched
}

SharedState stateWith(const std::vector<double> &values, std::int32_t scale = 400)
{
    SharedState state;
    for (double v : values)
        state.append({0, v, QStringLiteral("VDC"), QString(), QStringLiteral("V"), QString::number(v)});
    state.gViewStart = 1;
    state.gViewCount = static_cast<std::int32_t>(values.size());
    state.gGraphScale = scale;
    return state;
}

TEST(GraphReportTest, OneReadingIsOneDotAndNoLine)
{
    SharedState state = stateWith({0.0});
    RecordingSurface s;
    ASSERT_TRUE(reports::printGraphReport(s, state, someLabels()));
    const auto circles = s.ofKind(Kind::Circle);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_DOUBLE_EQ(circles[0].step.x, 3105);
    EXPECT_DOUBLE_EQ(circles[0].step.y, 6205);
    EXPECT_DOUBLE_EQ(circles[0].step.x2, 30);
    EXPECT_TRUE(circles[0].fillSolid);
    EXPECT_EQ(linesOf(s, PenStyle::Solid).size(), 105u);
}

TEST(GraphReportTest, FullScaleZeroAndMinusFullScaleLandOnTheirRows)
{
    SharedState state = stateWith({400, 0, -400, 1.0});
    RecordingSurface s;
    ASSERT_TRUE(reports::printGraphReport(s, state, someLabels()));
    // The chart's points, as the graph chart computes them.
    EXPECT_EQ(state.gPlotPoints[0].y, 31);
    EXPECT_EQ(state.gPlotPoints[3].y, 246);
    EXPECT_EQ(state.gPlotPoints[3].x, 28);
    const auto solid = linesOf(s, PenStyle::Solid);
    ASSERT_EQ(solid.size(), 105u + 3u);
    // Each segment runs from a point back to the one before it.
    expectLine(solid[105], 3210, 6205, 3105, 2965);
    expectLine(solid[106], 3315, 9445, 3210, 6205);
    expectLine(solid[107], 3420, 2500 + 15 * 246, 3315, 9445);
    EXPECT_EQ(s.ofKind(Kind::Circle).size(), 6u);
}

TEST(GraphReportTest, FullWindowEndsOnTheLastTick)
{
    std::vector<double> values(100);
    for (int i = 0; i < 100; ++i)
        values[std::size_t(i)] = (i % 7) * 50.0 - 150.0;
    SharedState state = stateWith(values);
    RecordingSurface s;
    ASSERT_TRUE(reports::printGraphReport(s, state, someLabels()));
    const auto circles = s.ofKind(Kind::Circle);
    ASSERT_EQ(circles.size(), 2u * 99u);
    EXPECT_DOUBLE_EQ(circles[circles.size() - 2].step.x, 13500);
    EXPECT_EQ(linesOf(s, PenStyle::Solid).size(), 105u + 99u);
}

TEST(GraphReportTest, LabelsForAScaleAreTheWindowsDesignLabels)
{
    const GraphReportLabels labels = reports::graphLabelsFor(10, 201, QStringLiteral("clock"));
    EXPECT_EQ(labels.yLabels[0], QStringLiteral("10"));
    EXPECT_EQ(labels.yLabels[1], QStringLiteral("8.75"));
    EXPECT_EQ(labels.yLabels[8], QStringLiteral("0"));
    EXPECT_EQ(labels.yLabels[16], QStringLiteral("-10"));
    EXPECT_EQ(labels.xLabels, (std::array<QString, 3>{"201", "250", "300"}));
}

TEST(GraphReportTest, AFailureAtAnyStepEndsTheReportThere)
{
    const SharedState full = stateWith({100, -50, 25});
    expectStopsAtEveryStep([&](RecordingSurface &s) {
        SharedState state = full;
        return reports::printGraphReport(s, state, someLabels());
    });
}

} // namespace
