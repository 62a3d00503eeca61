// Both reports written as PDF and read back with poppler: page count, size
// and orientation, and where the texts stand; a device that fails its
// writes; and the default printer when no printer is set up at all.
#include "platform/printsurfaces.h"
#include "print/reports.h"
#include "printing/printtesting.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using printtesting::Word;

std::vector<MeasurementRecord> records(int n)
{
    std::vector<MeasurementRecord> out;
    for (int i = 1; i <= n; ++i)
        out.push_back({i, 1.0, QStringLiteral("VDC"), QStringLiteral("5/17/24\\14:03:09"),
                       QStringLiteral("V"), i == 2 ? QStringLiteral(".OL") : QStringLiteral("12.345")});
    return out;
}

const Word *find(const std::vector<Word> &words, const QString &text, int page, int nth = 0)
{
    for (const Word &w : words)
        if (w.text == text && w.page == page && nth-- == 0)
            return &w;
    return nullptr;
}

// Twips to points.
constexpr double pt(double twips)
{
    return twips / 20.0;
}

void expectAt(const std::vector<Word> &words, const QString &text, int page, double x, double y, int nth = 0)
{
    const Word *w = find(words, text, page, nth);
    ASSERT_NE(w, nullptr) << text.toStdString() << " on page " << page;
    EXPECT_NEAR(w->xMin, pt(x), 0.5) << text.toStdString();
    EXPECT_NEAR(w->yMin, pt(y), 0.5) << text.toStdString();
}

class PdfReportTest : public ::testing::Test
{
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

TEST_F(PdfReportTest, DataReportReadsBackWithItsPagesAndPositions)
{
    const QString file = path("data.pdf");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        printing::PdfSurface surface(out, file, QStringLiteral("Quenvo Data Report"));
        ASSERT_TRUE(reports::printDataReport(surface, records(37), [] { return QStringLiteral("5/17/24"); }));
    }
    const printtesting::PdfFacts pdf = printtesting::readPdf(file);
    ASSERT_TRUE(pdf.read) << "pdfinfo could not read " << file.toStdString();
    EXPECT_EQ(pdf.pages, 2);
    EXPECT_NEAR(pdf.width, 595.3, 0.5); // A4 portrait
    EXPECT_NEAR(pdf.height, 841.9, 0.5);
    for (int page : {1, 2}) {
        expectAt(pdf.words, QStringLiteral("Quenvo"), page, 2200, 400);
        expectAt(pdf.words, QStringLiteral("NO."), page, 1100, 1200);
        expectAt(pdf.words, QStringLiteral("TIME"), page, 7600, 1200);
        expectAt(pdf.words, QStringLiteral("Page"), page, printing::PrintSurface::kA4WidthTwips / 2 - 2000,
                 16000);
    }
    expectAt(pdf.words, QStringLiteral("VDC"), 1, 2100, 1600);
    expectAt(pdf.words, QStringLiteral(".OL"), 1, 5100, 2000);
    expectAt(pdf.words, QStringLiteral("VDC"), 1, 2100, 15600, 35);
    // Record 37 heads page 2.
    const Word *last = find(pdf.words, QStringLiteral("37"), 2);
    ASSERT_NE(last, nullptr);
    EXPECT_NEAR(last->yMin, pt(1600), 0.5);
    EXPECT_GT(last->xMin, pt(1100)); // after the number form's leading space
    EXPECT_EQ(find(pdf.words, QStringLiteral("37"), 1), nullptr);
    EXPECT_NE(find(pdf.words, QStringLiteral("(5/17/24)"), 2), nullptr);
}

TEST_F(PdfReportTest, GraphReportIsOneLandscapePageWithItsLabels)
{
    const QString file = path("graph.pdf");
    SharedState state;
    for (double v : {400.0, 0.0, -400.0})
        state.append({0, v, QString(), QString(), QString(), QString()});
    state.gViewCount = 3;
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        printing::PdfSurface surface(out, file, QStringLiteral("Quenvo Graph Report"));
        ASSERT_TRUE(
            reports::printGraphReport(surface, state, reports::graphLabelsFor(400, 1, "5/17/24 2:03:09 PM")));
    }
    const printtesting::PdfFacts pdf = printtesting::readPdf(file);
    ASSERT_TRUE(pdf.read);
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_NEAR(pdf.width, 841.9, 0.5);
    EXPECT_NEAR(pdf.height, 595.3, 0.5);
    expectAt(pdf.words, QStringLiteral("Quenvo"), 1, 5300, 800);
    expectAt(pdf.words, QStringLiteral("5/17/24"), 1, 7000, 1500);
    expectAt(pdf.words, QStringLiteral("400"), 1, 2500, 2834);
    expectAt(pdf.words, QStringLiteral("0"), 1, 2500, 2834 + 414 * 8);
    expectAt(pdf.words, QStringLiteral("-400"), 1, 2500, 2834 + 414 * 16);
    expectAt(pdf.words, QStringLiteral("1"), 1, 3105, 10000);
    // "50" and "100" are Y labels as well; the X labels come after them.
    expectAt(pdf.words, QStringLiteral("50"), 1, 8230, 10000, 1);
    expectAt(pdf.words, QStringLiteral("100"), 1, 13470, 10000, 1);
}

TEST_F(PdfReportTest, AFailingDeviceStopsTheReportWithItsReason)
{
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "/dev/full cannot be opened here";
    printing::PdfSurface surface(full, QStringLiteral("/dev/full"), QStringLiteral("Quenvo Data Report"));
    EXPECT_FALSE(reports::printDataReport(surface, records(200), [] { return QStringLiteral("5/17/24"); }));
    EXPECT_TRUE(surface.failed());
    EXPECT_TRUE(surface.failureDetail().startsWith(QLatin1String("/dev/full: ")))
        << surface.failureDetail().toStdString();
}

TEST(DefaultPrinterTest, WithNoPrinterSetUpBothReportsFailAtTheirFirstStep)
{
    // A scheduler that is not there: no printer at all.
    QTemporaryDir dir;
    qputenv("CUPS_SERVER", dir.filePath(QStringLiteral("no-scheduler.sock")).toLocal8Bit());
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    printing::DefaultPrinterSurface data(QStringLiteral("Quenvo Data Report"));
    EXPECT_FALSE(reports::printDataReport(data, records(3), [] { return QStringLiteral("5/17/24"); }));
    EXPECT_TRUE(data.failureDetail().contains(QLatin1String("No printer is set up")))
        << data.failureDetail().toStdString();
    EXPECT_EQ(data.keptSteps(), 0u);

    SharedState state;
    printing::DefaultPrinterSurface graph(QStringLiteral("Quenvo Graph Report"));
    EXPECT_FALSE(reports::printGraphReport(graph, state, reports::graphLabelsFor(400, 1, "clock")));
    EXPECT_TRUE(graph.failed());
    EXPECT_FALSE(graph.failureDetail().isEmpty());
}

} // namespace
