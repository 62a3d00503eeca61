// One reading through the whole receive path: a serial control holding one
// 14-byte frame raises its receive event; the main window decodes it, inserts
// the table row, sets the display and the bar, stores the record, moves the
// trend window and redraws the charts.
//
// BM_ReceiveHandlerOnly: the receive handler alone, windows never shown and
// no event loop run, so nothing reaches the screen: a floor, not what the
// program spends.
// BM_ReceivePainted: the windows shown (offscreen platform) and the event
// loop run until the repaints the reading caused are done, with the graph
// window hidden (0) or showing (1); wall and process CPU time. The same
// reading every time: the digits and the bar stay as they are.
// BM_ReceivePaintedVarying: the same with readings that change as a live
// meter's do: other digits every time, the bar longer and shorter, the sign
// now and then.
// Both with an empty store, a full page (99) and 49999 readings stored (the
// table then holds as many rows); the program prints the ratios of the medians.
//
// With 49999 stored the reading is the 50000th, so the full-store question
// runs as well; it is answered Yes and the save dialog cancelled, which keeps
// the store full until the next iteration resets the count.
#include "app/mainform.h"
#include "datalog/dataform.h"
#include "datalog/flexgridmodel.h"
#include "display/showform.h"
#include "graph/graphform.h"
#include "graph/graphlink.h"
#include "link/connectform.h"
#include "link/frameencoder.h"
#include "platform/dialogs.h"
#include "support/scriptedserialcontrol.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

QByteArray frameBytes()
{
    MeterFrame f;
    f.functionCode = 0;
    f.displayCount = 12345; // 123.45 mV AC
    const auto bytes = encodeMeterFrame(f, 0x5A5A5A5A5A5A5A5Aull);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Readings that differ from one to the next: digits, bar length, sign.
std::vector<QByteArray> varyingFrames()
{
    std::vector<QByteArray> frames;
    const std::uint16_t counts[] = {0x1234, 0x0567, 0x2890, 0x3999, 0x0012, 0x1706, 0x2345, 0x0998};
    for (int i = 0; i < 16; ++i) {
        MeterFrame f;
        f.functionCode = 0;
        f.displayCount = counts[i % 8];
        f.negative = i % 5 == 0;
        const auto bytes = encodeMeterFrame(f, 0x5A5A5A5A5A5A5A5Aull);
        frames.emplace_back(reinterpret_cast<const char *>(bytes.data()),
                            static_cast<qsizetype>(bytes.size()));
    }
    return frames;
}

struct Rig
{
    SharedState state;
    ScriptedSerialControl port;
    ScriptedDialogs dialogs;
    NoGraphWindow graph;
    MainForm window{state, port, dialogs, graph, [] { return QStringLiteral("/dev/ttyUSB0"); }};

    explicit Rig(int stored)
    {
        window.connectForm->Timer1_Timer(); // reception armed
        for (int i = 0; i < stored; ++i) {
            const std::int32_t n = state.append({0, 0.25 * (i % 400), QStringLiteral("VAC/HZ/%"),
                                                 QStringLiteral("5/17/24\\14:03:09"), QStringLiteral("mV"),
                                                 QStringLiteral("012.34")});
            window.dataForm->grid->addItem(QString::number(n), 1);
        }
    }
};

void BM_ReceiveHandlerOnly(benchmark::State &st)
{
    const int stored = static_cast<int>(st.range(0));
    Rig rig(stored);
    const QByteArray frame = frameBytes();
    for (auto _ : st) {
        st.PauseTiming();
        rig.state.truncate(stored);
        rig.dialogs.answers = {Dialogs::Answer::Yes};
        rig.dialogs.asked.clear();
        st.ResumeTiming();
        rig.port.receive(frame);
    }
    if (rig.state.gRecordCount() != stored + 1)
        st.SkipWithError("the reading was not stored");
}
BENCHMARK(BM_ReceiveHandlerOnly)->Arg(0)->Arg(99)->Arg(49999)->Unit(benchmark::kMicrosecond)->UseRealTime();

struct PaintedRig
{
    SharedState state;
    ScriptedSerialControl port;
    ScriptedDialogs dialogs;
    GraphWindowHost graph{state};
    MainForm window{state, port, dialogs, graph, [] { return QStringLiteral("/dev/ttyUSB0"); }};

    PaintedRig(int stored, bool graphShowing)
    {
        graph.attach(window.trendView);
        window.show();
        window.connectForm->Timer1_Timer();
        for (int i = 0; i < stored; ++i) {
            const std::int32_t n = state.append({0, 0.25 * (i % 400), QStringLiteral("VAC/HZ/%"),
                                                 QStringLiteral("5/17/24\\14:03:09"), QStringLiteral("mV"),
                                                 QStringLiteral("012.34")});
            window.dataForm->grid->addItem(QString::number(n), 1);
        }
        if (graphShowing)
            window.showForm->Image1_Click();
        settle();
    }
    // Runs the event loop until nothing more is pending: layouts, then paints.
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }
};

// One painted reading a time, the frames taken in turn: st.range(0) readings
// stored, st.range(1) whether the graph window is showing.
void receivePainted(benchmark::State &st, const std::vector<QByteArray> &frames)
{
    const int stored = static_cast<int>(st.range(0));
    PaintedRig rig(stored, st.range(1) != 0);
    std::size_t next = 0;
    for (auto _ : st) {
        st.PauseTiming();
        rig.state.truncate(stored);
        rig.dialogs.answers = {Dialogs::Answer::Yes};
        rig.dialogs.asked.clear();
        st.ResumeTiming();
        rig.port.receive(frames[next]);
        next = (next + 1) % frames.size();
        PaintedRig::settle();
    }
    if (rig.state.gRecordCount() != stored + 1)
        st.SkipWithError("the reading was not stored");
}

void BM_ReceivePainted(benchmark::State &st)
{
    receivePainted(st, {frameBytes()});
}
BENCHMARK(BM_ReceivePainted)
    ->ArgsProduct({{99, 49999}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_ReceivePaintedVarying(benchmark::State &st)
{
    receivePainted(st, varyingFrames());
}
BENCHMARK(BM_ReceivePaintedVarying)
    ->ArgsProduct({{99, 49999}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// Prints what the console reporter prints and keeps the medians.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> medians; // benchmark name -> real time per iteration

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.str()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Medians need repetitions; the command line may choose others.
    std::vector<char *> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=15";
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
    const double empty = median("BM_ReceiveHandlerOnly/0/real_time");
    const double page = median("BM_ReceiveHandlerOnly/99/real_time");
    const double full = median("BM_ReceiveHandlerOnly/49999/real_time");
    if (empty > 0 && full > 0) {
        std::printf("\nmedian, 0 stored:     %.2f us\nmedian, 99 stored:    %.2f us\n"
                    "median, 49999 stored: %.2f us\n",
                    empty, page, full);
        std::printf("ratio 49999 / 0:  %.3f\n", full / empty);
        if (page > 0)
            std::printf("ratio 49999 / 99: %.3f\n", full / page);
    }
    const double hidden99 = median("BM_ReceivePainted/99/0/process_time/real_time");
    const double showing99 = median("BM_ReceivePainted/99/1/process_time/real_time");
    const double hiddenFull = median("BM_ReceivePainted/49999/0/process_time/real_time");
    const double showingFull = median("BM_ReceivePainted/49999/1/process_time/real_time");
    if (hidden99 > 0 && showing99 > 0 && hiddenFull > 0 && showingFull > 0) {
        std::printf("\npainted (wall): 99 hidden %.1f us, 99 showing %.1f us, 49999 hidden %.1f us, "
                    "49999 showing %.1f us\n",
                    hidden99, showing99, hiddenFull, showingFull);
        std::printf("ratio showing / hidden: %.3f at 99, %.3f at 49999\n", showing99 / hidden99,
                    showingFull / hiddenFull);
        std::printf("ratio 49999 / 99: %.3f hidden, %.3f showing\n", hiddenFull / hidden99,
                    showingFull / showing99);
    }
    benchmark::Shutdown();
    return 0;
}
