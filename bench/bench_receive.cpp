// One reading through the whole receive path: a serial control holding one
// 14-byte frame raises its receive event; the main window decodes it, inserts
// the table row, sets the display and the bar, stores the record, moves the
// trend window and repaints the chart. Measured with an empty store, with a
// full page (99) and with 49999 readings already stored (the table then holds
// as many rows); the program prints the ratio of the medians.
//
// With 49999 stored the reading is the 50000th, so the full-store question
// runs as well; it is answered Yes and the save dialog cancelled, which keeps
// the store full until the next iteration resets the count.
#include "app/mainform.h"
#include "datalog/dataform.h"
#include "datalog/flexgridmodel.h"
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

namespace {

QByteArray frameBytes()
{
    MeterFrame f;
    f.functionCode = 0;
    f.displayCount = 12345; // 123.45 mV AC
    const auto bytes = encodeMeterFrame(f, 0x5A5A5A5A5A5A5A5Aull);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
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

void BM_ReceiveOneReading(benchmark::State &st)
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
BENCHMARK(BM_ReceiveOneReading)->Arg(0)->Arg(99)->Arg(49999)->Unit(benchmark::kMicrosecond)->UseRealTime();

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
    const double empty = median("BM_ReceiveOneReading/0/real_time");
    const double page = median("BM_ReceiveOneReading/99/real_time");
    const double full = median("BM_ReceiveOneReading/49999/real_time");
    if (empty > 0 && full > 0) {
        std::printf("\nmedian, 0 stored:     %.2f us\nmedian, 99 stored:    %.2f us\n"
                    "median, 49999 stored: %.2f us\n",
                    empty, page, full);
        std::printf("ratio 49999 / 0:  %.3f\n", full / empty);
        if (page > 0)
            std::printf("ratio 49999 / 99: %.3f\n", full / page);
    }
    benchmark::Shutdown();
    return 0;
}
