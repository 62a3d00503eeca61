// Writes what the windows show after a fixed series of readings, so that the
// look of two builds can be compared pixel for pixel (bench/compare-look):
// the main window and the graph window as PNG files in the folder given.
// The clock is fixed and the readings are the same every run; the windows
// are painted as the program paints them (shown on the offscreen platform,
// each reading's repaint done before the next), and what is saved is the
// screen's copy, not a fresh paint.
//
//     lookdump DIR
#include "app/mainform.h"
#include "datalog/dataform.h"
#include "datalog/flexgridmodel.h"
#include "display/showform.h"
#include "graph/graphform.h"
#include "link/connectform.h"
#include "link/frameencoder.h"
#include "platform/dialogs.h"
#include "platform/timetexts.h"
#include "support/scriptedserialcontrol.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include <cstdio>

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

QByteArray frame(int i)
{
    MeterFrame f;
    f.functionCode = static_cast<std::uint8_t>((i / 9) % 3);
    f.displayCount = static_cast<std::uint16_t>((i * 0x0733) % 0x4000);
    f.negative = i % 5 == 0;
    f.hold = i % 13 == 0;
    const auto bytes = encodeMeterFrame(f, 0x5A5A5A5A5A5A5A5Aull);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

bool save(QWidget *window, const QString &path)
{
    const QImage shown = window->screen()->grabWindow(window->winId()).toImage();
    return shown.convertToFormat(QImage::Format_RGB32).save(path);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lookdump DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    TimeTexts::setClock([] { return QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9)); });
    TimeTexts::setLocale(QLocale(QLocale::English, QLocale::UnitedStates));

    SharedState state;
    ScriptedSerialControl port;
    ScriptedDialogs dialogs;
    GraphWindowHost graph{state};
    MainForm window{state, port, dialogs, graph, [] { return QStringLiteral("/dev/ttyUSB0"); }};
    graph.attach(window.trendView);
    window.show();
    window.connectForm->Timer1_Timer();
    settle();

    int n = 0;
    auto receive = [&](int count) {
        for (int i = 0; i < count; ++i, ++n) {
            port.receive(frame(n));
            settle();
        }
    };
    // Found by type: the table's view class differs between builds.
    QTableView *table = window.dataForm->findChild<QTableView *>();
    bool ok = table != nullptr;
    receive(12);
    ok = save(&window, dir.filePath(QStringLiteral("main-12.png"))) && ok;
    receive(40);
    table->setCurrentIndex(table->model()->index(3, 2));
    settle();
    receive(5);
    ok = save(&window, dir.filePath(QStringLiteral("main-57.png"))) && ok;
    window.showForm->Image1_Click();
    settle();
    receive(30);
    ok = save(&window, dir.filePath(QStringLiteral("main-87.png"))) && ok;
    ok = save(graph.window(), dir.filePath(QStringLiteral("graph-87.png"))) && ok;
    table->verticalScrollBar()->setValue(20);
    settle();
    receive(10);
    ok = save(&window, dir.filePath(QStringLiteral("main-97-scrolled.png"))) && ok;
    table->verticalScrollBar()->setValue(0);
    settle();
    // Readings faster than the paints: four, then one paint.
    for (int i = 0; i < 4; ++i, ++n)
        port.receive(frame(n));
    settle();
    ok = save(&window, dir.filePath(QStringLiteral("main-101-in-one-go.png"))) && ok;
    window.showForm->applyOfflineLook();
    settle();
    ok = save(&window, dir.filePath(QStringLiteral("main-offline.png"))) && ok;
    window.showForm->applyOnlineLook();
    // The full store: the 50000th reading, the save question answered No.
    while (state.gRecordCount() < SharedState::kCapacity - 1) {
        const std::int32_t number =
            state.append({0, 0.25 * (n % 400), QStringLiteral("VAC"), QStringLiteral("5/17/24\\14:03:09"),
                          QStringLiteral("mV"), QStringLiteral("012.34")});
        window.dataForm->grid->addItem(QString::number(number), 1);
    }
    settle();
    dialogs.answers = {Dialogs::Answer::No};
    receive(1);
    ok = save(&window, dir.filePath(QStringLiteral("main-full-store-emptied.png"))) && ok;
    receive(3);
    ok = save(&window, dir.filePath(QStringLiteral("main-after-full-store.png"))) && ok;
    graph.unload();
    if (!ok)
        std::fprintf(stderr, "lookdump: could not write the pictures to %s\n", argv[1]);
    return ok ? 0 : 1;
}
