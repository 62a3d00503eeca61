// Cost of one reading's row in the data table: a row inserted at row 1 and
// its four cells written, on the data table window's own grid and view
// (shown offscreen), with an empty table and with 50000 readings in it.
// The "AndPaint" variant also runs the event loop once, so the view lays out
// and repaints as it does in the program.
#include "datalog/dataform.h"
#include "datalog/flexgridmodel.h"
#include "graph/graphlink.h"
#include "graph/trendview.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QTableView>

#include <benchmark/benchmark.h>

namespace {

// Every this many insertions the table is cut back to its starting size,
// outside the timing, so that the measured size stays where it was asked.
constexpr int kTrimEvery = 1000;

struct Table
{
    explicit Table(int readings) : form(state, trend, dialogs)
    {
        form.show();
        FlexGridModel &grid = *form.grid;
        grid.setRows(readings + 2);
        for (int row = 1; row <= readings; ++row)
            grid.setText(row, 0, QString::number(readings + 1 - row));
        QCoreApplication::processEvents();
    }

    SharedState state;
    NoGraphWindow noGraph;
    TrendView trend{state, noGraph};
    ScriptedDialogs dialogs;
    DataForm form;
};

void insertReadingRow(FlexGridModel &grid, int n)
{
    static const QString function = QStringLiteral("VDC");
    static const QString data = QStringLiteral("12.345");
    static const QString unit = QStringLiteral("V");
    static const QString time = QStringLiteral("12/9/26\\2:03:09 PM");
    grid.addItem(QString::number(n), 1);
    grid.setText(1, 1, function);
    grid.setText(1, 2, data);
    grid.setText(1, 3, unit);
    grid.setText(1, 4, time);
}

void runInsertions(benchmark::State &state, bool paint)
{
    const int readings = static_cast<int>(state.range(0));
    Table table(readings);
    FlexGridModel &grid = *table.form.grid;
    int inserted = 0;
    for (auto _ : state) {
        insertReadingRow(grid, readings + inserted + 1);
        if (paint)
            QCoreApplication::processEvents();
        if (++inserted == kTrimEvery) {
            state.PauseTiming();
            grid.setRows(readings + 2);
            QCoreApplication::processEvents();
            inserted = 0;
            state.ResumeTiming();
        }
    }
    state.counters["rows"] = grid.rows();
}

void BM_InsertReadingRow(benchmark::State &state)
{
    runInsertions(state, false);
}

void BM_InsertReadingRowAndPaint(benchmark::State &state)
{
    runInsertions(state, true);
}

} // namespace

BENCHMARK(BM_InsertReadingRow)->Arg(0)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertReadingRowAndPaint)->Arg(0)->Arg(50000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
