// What reaches the screen while readings arrive. The windows repaint only
// what a reading changed (the table moves its rows as pixels, the scroll bar
// and labels skip paints that would change nothing), so the screen is checked
// against the windows painted afresh from their state: any part left stale or
// painted differently shows as a pixel that differs.
#include "app/mainform.h"
#include "datalog/dataform.h"
#include "datalog/flexgridmodel.h"
#include "datalog/readingtable.h"
#include "display/showform.h"
#include "graph/graphform.h"
#include "link/connectform.h"
#include "platform/dialogs.h"
#include "platform/timetexts.h"
#include "support/scriptedserialcontrol.h"
#include "support/uitesting.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using uitesting::FrameCodes;

// Runs the event loop until the repaints the last changes caused are done.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// What the screen shows of a top-level window: its backing store.
QImage onScreen(QWidget *window)
{
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The window painted from scratch.
QImage paintedAfresh(QWidget *window)
{
    return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Text too large for Qt's glyph cache (the meter's digits) is filled as an
// outline, and the shading of its edges varies by a few levels with the clip
// of a partial repaint (the labels over the digits cut it). Within `outlined`
// such differences are let through; anything else must match exactly.
bool sameShade(QRgb a, QRgb b)
{
    constexpr int kEdgeShading = 12;
    return std::abs(qRed(a) - qRed(b)) <= kEdgeShading && std::abs(qGreen(a) - qGreen(b)) <= kEdgeShading &&
           std::abs(qBlue(a) - qBlue(b)) <= kEdgeShading;
}

// Empty when both images agree; otherwise how many pixels differ and where
// (both images are saved in the temporary folder for a look).
std::string difference(const QImage &screen, const QImage &fresh, const QString &name,
                       const QRect &outlined = {})
{
    if (screen.size() != fresh.size())
        return "sizes differ";
    int count = 0;
    QRect where;
    for (int y = 0; y < screen.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(fresh.constScanLine(y));
        for (int x = 0; x < screen.width(); ++x) {
            if (a[x] != b[x] && !(outlined.contains(x, y) && sameShade(a[x], b[x]))) {
                ++count;
                where |= QRect(x, y, 1, 1);
            }
        }
    }
    if (count == 0)
        return {};
    const QString base = QDir::temp().filePath(QStringLiteral("quenvo-look-") + name);
    screen.save(base + QStringLiteral("-screen.png"));
    fresh.save(base + QStringLiteral("-fresh.png"));
    return QStringLiteral("%1 pixels differ within (%2,%3 %4x%5); see %6-*.png")
        .arg(count)
        .arg(where.x())
        .arg(where.y())
        .arg(where.width())
        .arg(where.height())
        .arg(base)
        .toStdString();
}

// Records the regions the table's viewport is asked to paint.
class PaintRecorder : public QObject
{
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

class PaintedLookTest : public ::testing::Test
{
protected:
    PaintedLookTest()
    {
        TimeTexts::setClock([] { return QDateTime(QDate(2024, 5, 17), QTime(14, 3, 9)); });
        TimeTexts::setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        graph.attach(window.trendView);
        window.show();
        window.connectForm->Timer1_Timer(); // reception armed
        settle();
    }
    ~PaintedLookTest() override
    {
        graph.unload();
        TimeTexts::setClock({});
        TimeTexts::setLocale(QLocale::system());
    }

    // Readings whose digits, bar, sign, function and extremes change.
    void receive(int count, int from = 0)
    {
        for (int i = from; i < from + count; ++i) {
            FrameCodes codes;
            codes.function = (i / 7) % 3; // a change of function now and then
            codes.count = (i * 733) % 4000;
            codes.negative = i % 5 == 0;
            codes.hold = i % 11 == 0;
            port.receive(uitesting::wire(codes));
            settle();
        }
    }

    // Stored readings and their table rows, as if received.
    void prefill(int count)
    {
        for (int i = 0; i < count; ++i) {
            const std::int32_t n =
                state.append({0, 0.25 * (i % 400), QStringLiteral("VAC"), QStringLiteral("5/17/24\\14:03:09"),
                              QStringLiteral("mV"), QStringLiteral("012.34")});
            window.dataForm->grid->addItem(QString::number(n), 1);
        }
        settle();
    }

    void expectScreenAsPaintedAfresh(const char *when)
    {
        SCOPED_TRACE(when);
        const QLabel *digits = window.showForm->Label4;
        const QRect outlined(digits->mapTo(&window, QPoint(0, 0)), digits->size());
        EXPECT_EQ(difference(onScreen(&window), paintedAfresh(&window), QStringLiteral("main"), outlined),
                  "");
        if (GraphForm *g = graph.window(); g && g->isVisible()) {
            EXPECT_EQ(difference(onScreen(g), paintedAfresh(g), QStringLiteral("graph")), "");
        }
    }

    ReadingTable &table() { return *window.dataForm->MSFlexGrid1; }

    SharedState state;
    ScriptedSerialControl port;
    ScriptedDialogs dialogs;
    GraphWindowHost graph{state};
    MainForm window{state, port, dialogs, graph, [] { return QStringLiteral("/dev/ttyUSB0"); }};
};

} // namespace

TEST_F(PaintedLookTest, ReadingsAtTheTopLeaveTheScreenAsAFreshPaint)
{
    receive(3);
    expectScreenAsPaintedAfresh("a few rows, the table not yet full");
    receive(40, 3);
    expectScreenAsPaintedAfresh("more rows than the table shows");

    // A selected row moves down with the readings.
    table().setCurrentIndex(table().model()->index(2, 1));
    settle();
    receive(5, 43);
    EXPECT_EQ(table().currentIndex().row(), 7);
    expectScreenAsPaintedAfresh("a selected row");

    window.showForm->Image1_Click(); // the graph window
    settle();
    receive(20, 48);
    expectScreenAsPaintedAfresh("the graph window showing");
}

TEST_F(PaintedLookTest, ReadingsInOneGoLeaveTheScreenAsAFreshPaint)
{
    receive(30);
    // Several readings before the event loop paints (a busy moment).
    for (int i = 0; i < 4; ++i) {
        FrameCodes codes;
        codes.count = 100 * i;
        port.receive(uitesting::wire(codes));
    }
    settle();
    expectScreenAsPaintedAfresh("four readings, one paint");
}

TEST_F(PaintedLookTest, ScrolledBackOrEmptiedTheScreenIsAFreshPaint)
{
    receive(60);
    table().verticalScrollBar()->setValue(20);
    settle();
    receive(10, 60);
    expectScreenAsPaintedAfresh("scrolled back");
    table().verticalScrollBar()->setValue(0);
    settle();
    receive(5, 70);
    expectScreenAsPaintedAfresh("back at the top");

    // "new" in the same turn of the event loop as a reading.
    FrameCodes codes;
    codes.count = 1234;
    port.receive(uitesting::wire(codes));
    window.dataForm->Toolbar1_ButtonClick(QStringLiteral("new"));
    settle();
    expectScreenAsPaintedAfresh("emptied after a reading");
    receive(3, 80);
    expectScreenAsPaintedAfresh("readings after new");
}

TEST_F(PaintedLookTest, TheFullStoreEmptiedAfterTheLastReadingIsAFreshPaint)
{
    prefill(SharedState::kCapacity - 1);
    dialogs.answers = {Dialogs::Answer::No}; // "Please save data!": no
    receive(1);
    ASSERT_EQ(state.gRecordCount(), 0);
    expectScreenAsPaintedAfresh("the store emptied");
    receive(2, 1);
    expectScreenAsPaintedAfresh("readings after the full store");
}

// At the top, a reading paints the table's new row and nothing below it;
// readings faster than the paints, their new rows.
TEST_F(PaintedLookTest, AReadingAtTheTopPaintsOnlyTheNewRow)
{
    receive(40);
    PaintRecorder recorder;
    table().viewport()->installEventFilter(&recorder);
    receive(1, 40);
    table().viewport()->removeEventFilter(&recorder);
    const int rowHeight = table().verticalHeader()->defaultSectionSize();
    EXPECT_FALSE(recorder.painted.isEmpty());
    EXPECT_LE(recorder.painted.boundingRect().bottom(), rowHeight);

    // Three readings before the event loop paints: the three new rows.
    recorder.painted = QRegion();
    table().viewport()->installEventFilter(&recorder);
    for (int i = 0; i < 3; ++i) {
        FrameCodes codes;
        codes.count = 0x100 * i;
        port.receive(uitesting::wire(codes));
    }
    settle();
    table().viewport()->removeEventFilter(&recorder);
    EXPECT_LE(recorder.painted.boundingRect().bottom(), 3 * rowHeight);
    expectScreenAsPaintedAfresh("three readings, one paint");
}

// Offline the meter shows "OFFLINE" where the digits stood; online again,
// the digits.
TEST_F(PaintedLookTest, GoingOfflineAndOnlineLeavesTheScreenAsAFreshPaint)
{
    receive(5);
    window.showForm->applyOfflineLook();
    settle();
    expectScreenAsPaintedAfresh("offline");
    window.showForm->applyOnlineLook();
    receive(2, 5);
    expectScreenAsPaintedAfresh("online again");
}
