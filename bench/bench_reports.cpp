// The printed reports as PDF: the 50000-record data report against a bare
// QPdfWriter loop that draws the same texts at the same places (the floor
// for any report on this writer), and the graph report of a full window.
// Prints the medians, their ratio, and the peak memory each adds.
#include "platform/printsurfaces.h"
#include "print/reports.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr int kRecords = 50000;

std::vector<MeasurementRecord> makeRecords()
{
    std::vector<MeasurementRecord> records;
    records.reserve(kRecords);
    for (int i = 1; i <= kRecords; ++i)
        records.push_back({i, i * 0.001, QStringLiteral("VDC"),
                           QStringLiteral("12/10/26\\14:%1:%2").arg(i / 60 % 60).arg(i % 60),
                           QStringLiteral("V"), QString::number(i * 0.001, 'f', 3)});
    return records;
}

const std::vector<MeasurementRecord> &records()
{
    static const std::vector<MeasurementRecord> r = makeRecords();
    return r;
}

QString outputPath()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("report.pdf"));
}

// Peak resident memory so far, in kB (VmHWM).
long peakKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:") {
            status >> value;
            return value;
        }
        status.ignore(256, '\n');
    }
    return 0;
}

void BM_DataReportPdf(benchmark::State &st)
{
    const auto &r = records();
    for (auto _ : st) {
        QFile out(outputPath());
        out.open(QIODevice::WriteOnly);
        printing::PdfSurface surface(out, out.fileName(), QStringLiteral("Quenvo Data Report"));
        if (!reports::printDataReport(surface, r, [] { return QStringLiteral("12/10/26"); }))
            st.SkipWithError("the report failed");
    }
    st.counters["bytes"] = static_cast<double>(QFile(outputPath()).size());
}
BENCHMARK(BM_DataReportPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The same texts at the same places, straight onto the writer.
void BM_BareQPdfWriter(benchmark::State &st)
{
    const auto &r = records();
    const QString footerDate = QStringLiteral("12/10/26");
    for (auto _ : st) {
        QPdfWriter writer(outputPath());
        writer.setResolution(1440);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        QPainter p(&writer);
        QFont title(QStringLiteral("Liberation Sans"));
        title.setPixelSize(480);
        title.setBold(true);
        QFont heading = title;
        heading.setPixelSize(300);
        QFont line(QStringLiteral("Liberation Sans"));
        line.setPixelSize(240);
        const double titleAscent = QFontMetricsF(title).ascent();
        const double headingAscent = QFontMetricsF(heading).ascent();
        const double lineAscent = QFontMetricsF(line).ascent();
        const double footerX = writer.pageLayout().paintRect(QPageLayout::Inch).width() * 1440 / 2 - 2000;
        const int cols[5] = {1100, 2100, 5100, 6600, 7600};
        const QString heads[5] = {"NO.", "FUN", "DATA", "UNIT", "TIME"};
        int page = 1;
        int y = 1200;
        auto pageStart = [&] {
            p.setFont(title);
            p.drawText(QPointF(2200, 400 + titleAscent), QStringLiteral("Quenvo Data Report"));
            p.setFont(heading);
            for (int c = 0; c < 5; ++c)
                p.drawText(QPointF(cols[c], 1200 + headingAscent), heads[c]);
            p.setFont(line);
            y = 1200;
        };
        auto footer = [&] {
            p.drawText(QPointF(footerX, 16000 + lineAscent),
                       QStringLiteral("Page %1   (%2)").arg(page).arg(footerDate));
        };
        pageStart();
        for (const MeasurementRecord &m : r) {
            y += 400;
            p.drawText(QPointF(cols[0], y + lineAscent),
                       QLatin1Char(' ') + QString::number(m.number) + QLatin1Char(' '));
            p.drawText(QPointF(cols[1], y + lineAscent), m.function);
            p.drawText(QPointF(cols[2], y + lineAscent), m.data);
            p.drawText(QPointF(cols[3], y + lineAscent), m.unit);
            p.drawText(QPointF(cols[4], y + lineAscent), m.time);
            if (y >= 15600) {
                footer();
                writer.newPage();
                pageStart();
                ++page;
            }
        }
        footer();
        p.end();
    }
    st.counters["bytes"] = static_cast<double>(QFile(outputPath()).size());
}
BENCHMARK(BM_BareQPdfWriter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_GraphReportPdfFullWindow(benchmark::State &st)
{
    SharedState state;
    for (int i = 0; i < 100; ++i)
        state.append(
            {0, (i % 17) * 50.0 - 400.0, QStringLiteral("VDC"), QString(), QStringLiteral("V"), QString()});
    state.gViewCount = 100;
    const reports::GraphReportLabels labels =
        reports::graphLabelsFor(400, 1, QStringLiteral("12/10/26 14:03:09"));
    for (auto _ : st) {
        QFile out(outputPath());
        out.open(QIODevice::WriteOnly);
        printing::PdfSurface surface(out, out.fileName(), QStringLiteral("Quenvo Graph Report"));
        if (!reports::printGraphReport(surface, state, labels))
            st.SkipWithError("the report failed");
    }
}
BENCHMARK(BM_GraphReportPdfFullWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

class MedianReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> medians;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.str()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    // Peak memory of one report of each kind, above what the program held
    // before it (records built, fonts loaded by a first small report).
    records();
    {
        QFile warm(outputPath());
        warm.open(QIODevice::WriteOnly);
        printing::PdfSurface surface(warm, warm.fileName(), QString());
        reports::printDataReport(surface, std::span(records().data(), 40), [] { return QString(); });
    }
    const long base = peakKb();
    {
        QFile out(outputPath());
        out.open(QIODevice::WriteOnly);
        printing::PdfSurface surface(out, out.fileName(), QString());
        reports::printDataReport(surface, records(), [] { return QStringLiteral("12/10/26"); });
    }
    const long afterReport = peakKb();

    std::vector<char *> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregatesOnly = "--benchmark_report_aggregates_only=true";
    bool chosen = false;
    for (int i = 1; i < argc; ++i)
        chosen = chosen || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
    if (!chosen) {
        args.push_back(repetitions.data());
        args.push_back(aggregatesOnly.data());
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto median = [&](const char *name) {
        const auto it = reporter.medians.find(name);
        return it == reporter.medians.end() ? 0.0 : it->second;
    };
    const double report = median("BM_DataReportPdf/iterations:1/real_time");
    const double bare = median("BM_BareQPdfWriter/iterations:1/real_time");
    if (report > 0 && bare > 0)
        std::printf(
            "\nmedian, data report of %d records: %.1f ms\nmedian, bare QPdfWriter loop:     %.1f ms\n"
            "ratio report / bare: %.3f (goal: at most 1.5)\n",
            kRecords, report, bare, report / bare);
    std::printf("peak memory added by the data report: %.1f MB (goal: at most 20)\n",
                (afterReport - base) / 1024.0);
    benchmark::Shutdown();
    return 0;
}
