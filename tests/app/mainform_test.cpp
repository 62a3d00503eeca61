// The main window: creation and fixed size, and the receive path from the
// serial control's event to the display, table, store and trend window.
#include "mainformharness.h"

#include "display/bargraph.h"
#include "platform/chartsurface.h"

#include <QLineEdit>
#include <QTimer>

using uitesting::FrameCodes;

namespace {

class MainFormTest : public MainFormHarness
{
};

// Readings used below, with what the display shows for them.
const FrameCodes kAcMillivolts{0, 0, 0, 12345};                  // "123.45" mV AC, TRMS
const FrameCodes kNegativeAc{0, 0, 0, 12345, true};              // "-123.45"
const FrameCodes kSmallAc{0, 0, 0, 123};                         // "001.23"
const FrameCodes kOverRangeAc{0, 0, 0, 40001};                   // ".OL", clamped to 400
const FrameCodes kOverRangeNegativeAc{0, 0, 0, 40001, true};     // ".OL", clamped to -400
const FrameCodes kNoTableRow{12, 0, 0, 777};                     // function code without captions
const FrameCodes kDiode{3, 1, 0, 5000};                          // diode test, symbol shown
const FrameCodes kHeldRelative{0, 0, 0, 100, false, true, true}; // HOLD and relative

TEST_F(MainFormTest, CreationBuildsTheFixedWindowAndRunsDiscovery)
{
    state.varmax = 3.0;
    state.varmin = -3.0;
    create();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quenvo"));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(171, 171, 171));

    // Children in creation order, each placing itself.
    const QObjectList children = window->children();
    const auto at = [&](QObject *o) { return children.indexOf(o); };
    EXPECT_LT(at(window->connectForm), at(window->showForm));
    EXPECT_LT(at(window->showForm), at(window->dataForm));
    EXPECT_EQ(window->connectForm->geometry(), QRect(0, 0, 938, 40));
    EXPECT_EQ(window->showForm->geometry(), QRect(0, 40, 500, 600));
    EXPECT_EQ(window->dataForm->geometry(), QRect(500, 40, 438, 600));

    EXPECT_TRUE(SharedState::isUnsetMark(state.varmax));
    EXPECT_TRUE(SharedState::isUnsetMark(state.varmin));
    EXPECT_EQ(show().TextMAX->text(), QStringLiteral("0"));
    EXPECT_EQ(show().TextMIN->text(), QStringLiteral("0"));

    // Discovery opened the receiver and the watchdog runs; the display stays
    // offline until it arms reception.
    EXPECT_EQ(lookups, 1);
    EXPECT_TRUE(port.portOpen());
    EXPECT_EQ(port.commPort(), receiver);
    EXPECT_TRUE(window->connectForm->Timer1->isActive());
    EXPECT_TRUE(shown(show().Label5));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(MainFormTest, ClientAreaHoldsTheThreeWindowsExactlyAndStaysFixed)
{
    create();
    window->show();
    const QSize client(MainForm::kClientWidth, MainForm::kClientHeight);
    EXPECT_EQ(window->size(), client);
    // The three windows tile it: no workspace shows.
    QRegion covered;
    for (QWidget *w : {static_cast<QWidget *>(window->connectForm), static_cast<QWidget *>(window->showForm),
                       static_cast<QWidget *>(window->dataForm)})
        covered += w->geometry();
    EXPECT_EQ(covered, QRegion(QRect(QPoint(0, 0), client)));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    window->resize(1200, 900);
    QApplication::processEvents();
    EXPECT_EQ(window->size(), client);

    window->setWindowState(Qt::WindowMaximized);
    ASSERT_TRUE(uitesting::waitUntil([&] { return !(window->windowState() & Qt::WindowMaximized); }));
    EXPECT_EQ(window->size(), client);
}

TEST_F(MainFormTest, FirstReadingReachesTableDisplayStoreAndChart)
{
    createOnline();
    feed(kAcMillivolts);

    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_EQ(state.gRecordCount(), 1);
    EXPECT_EQ(window->dataForm->Label4->text(), QStringLiteral("1"));

    const QString time = TimeTexts::recordTime(kClock);
    ASSERT_EQ(grid().rows(), 3);
    const QStringList row{grid().text(1, 0), grid().text(1, 1), grid().text(1, 2), grid().text(1, 3),
                          grid().text(1, 4)};
    EXPECT_EQ(row, (QStringList{"1", "VAC", "123.45", "mV", time}));
    EXPECT_TRUE(grid().text(2, 0).isEmpty()); // the empty last row

    EXPECT_EQ(show().Label2->text(), QStringLiteral("VAC/HZ/%"));
    EXPECT_EQ(show().Label1->text(), QStringLiteral("AC"));
    EXPECT_TRUE(shown(show().Label16));
    EXPECT_EQ(show().rangelabel->text(), QStringLiteral("400mV (0.01mV)"));
    EXPECT_EQ(show().Label3->text(), QStringLiteral("mV"));
    EXPECT_EQ(show().Label4->text(), QStringLiteral("123.45"));
    EXPECT_FALSE(shown(show().holdlabel));
    EXPECT_FALSE(shown(show().rellabel));
    EXPECT_FALSE(shown(show().Picture7));

    const MeasurementRecord &r = state.gRecords[0];
    EXPECT_EQ(r.number, 1);
    EXPECT_DOUBLE_EQ(r.value, 123.45);
    EXPECT_EQ(r.function, QStringLiteral("VAC/HZ/%"));
    EXPECT_EQ(r.unit, QStringLiteral("mV"));
    EXPECT_EQ(r.data, QStringLiteral("123.45"));
    EXPECT_EQ(r.time, time);

    EXPECT_EQ(show().TextMAX->text(), QStringLiteral("123.45"));
    EXPECT_EQ(show().TextMIN->text(), QStringLiteral("123.45"));

    const BarUpdate bar = computeBarUpdate(400.0, 123.45, false);
    ASSERT_TRUE(bar.litThrough.has_value());
    for (int i = 0; i < kBarSegments; ++i)
        EXPECT_EQ(shown(show().Lineshow[i]), i <= *bar.litThrough) << "segment " << i;

    EXPECT_EQ(state.gViewStart, 1);
    EXPECT_EQ(state.gViewCount, 1);
    EXPECT_EQ(show().Label7[0]->text(), QStringLiteral("1"));
    EXPECT_EQ(show().Label7[1]->text(), QStringLiteral("50"));
    EXPECT_EQ(show().Label7[2]->text(), QStringLiteral("100"));
    EXPECT_EQ(state.gPlotPoints[0].number, 1); // the chart was drawn with the reading
}

TEST_F(MainFormTest, TableListsReadingsNewestFirst)
{
    createOnline();
    for (int i = 0; i < 3; ++i)
        feed(kSmallAc);
    ASSERT_EQ(grid().rows(), 5);
    EXPECT_EQ(grid().text(1, 0), QStringLiteral("3"));
    EXPECT_EQ(grid().text(2, 0), QStringLiteral("2"));
    EXPECT_EQ(grid().text(3, 0), QStringLiteral("1"));
    EXPECT_TRUE(grid().text(4, 0).isEmpty());
    EXPECT_EQ(window->dataForm->Label4->text(), QStringLiteral("3"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(state.gRecords[i].number, i + 1);
}

TEST_F(MainFormTest, ReadingWithoutCaptionsRepeatsThePreviousOnesInTheRecordOnly)
{
    createOnline();
    feed(kAcMillivolts);
    feed(kNoTableRow);
    EXPECT_EQ(state.gRecordCount(), 2);
    EXPECT_EQ(state.gRecords[1].function, QStringLiteral("VAC/HZ/%"));
    EXPECT_EQ(state.gRecords[1].unit, QStringLiteral("mV"));
    EXPECT_EQ(grid().text(1, 0), QStringLiteral("2"));
    EXPECT_TRUE(grid().text(1, 1).isEmpty());
    EXPECT_TRUE(grid().text(1, 3).isEmpty());
    EXPECT_EQ(grid().text(1, 2), show().Label4->text());
    EXPECT_EQ(show().Label2->text(), QStringLiteral("VAC/HZ/%"));
}

TEST_F(MainFormTest, AnnunciatorsFollowEachReading)
{
    createOnline();
    feed(kHeldRelative);
    EXPECT_TRUE(shown(show().holdlabel));
    EXPECT_TRUE(shown(show().rellabel));
    EXPECT_FALSE(shown(show().Picture7));

    feed(kDiode);
    EXPECT_FALSE(shown(show().holdlabel));
    EXPECT_FALSE(shown(show().rellabel));
    EXPECT_TRUE(shown(show().Picture7));

    feed(kAcMillivolts);
    EXPECT_FALSE(shown(show().Picture7));
}

TEST_F(MainFormTest, ExtremesMoveOnlyWhereTheReadingLiesBeyondThem)
{
    createOnline();
    struct Step
    {
        FrameCodes frame;
        const char *max;
        const char *min;
        double varmax;
        double varmin;
    };
    const Step steps[] = {
        {kNegativeAc, "-123.45", "-123.45", -123.45, -123.45},
        {kSmallAc, "001.23", "-123.45", 1.23, -123.45},
        {kAcMillivolts, "123.45", "-123.45", 123.45, -123.45},
        {kSmallAc, "123.45", "-123.45", 123.45, -123.45},
        {kOverRangeAc, ".OL", "-123.45", 400.0, -123.45},
        {kOverRangeNegativeAc, ".OL", ".OL", 400.0, -400.0},
    };
    int i = 0;
    for (const Step &s : steps) {
        SCOPED_TRACE(i++);
        feed(s.frame);
        EXPECT_EQ(show().TextMAX->text(), QString::fromUtf8(s.max));
        EXPECT_EQ(show().TextMIN->text(), QString::fromUtf8(s.min));
        EXPECT_DOUBLE_EQ(state.varmax, s.varmax);
        EXPECT_DOUBLE_EQ(state.varmin, s.varmin);
    }
}

class DiscardedBuffer : public MainFormHarness, public ::testing::WithParamInterface<int>
{
};

TEST_P(DiscardedBuffer, WrongByteCountStoresNothingAndEmptiesTheBuffer)
{
    createOnline();
    feed(kAcMillivolts);
    const QByteArray frame = uitesting::wire(kAcMillivolts);
    port.receive((frame + frame).left(GetParam()));
    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_EQ(state.gRecordCount(), 1);
    EXPECT_EQ(grid().rows(), 3);
    EXPECT_EQ(window->dataForm->Label4->text(), QStringLiteral("1"));
}

INSTANTIATE_TEST_SUITE_P(Counts, DiscardedBuffer, ::testing::Values(13, 28, 1, 15));

TEST_F(MainFormTest, NonReceiveEventDoesNothingNotEvenDiscard)
{
    createOnline();
    port.buffer = uitesting::wire(kAcMillivolts);
    const int discards = port.discardCalls;
    port.otherEvent(3);
    EXPECT_EQ(port.inBufferCount(), 14);
    EXPECT_EQ(port.discardCalls, discards);
    EXPECT_EQ(state.gRecordCount(), 0);
}

struct FollowCase
{
    int reading;
    int viewStart;
    int viewCount;
    const char *labels[3];
};

class TrendFollowing : public MainFormHarness, public ::testing::WithParamInterface<FollowCase>
{
};

TEST_P(TrendFollowing, NewestPageAndLabelsAfterTheReading)
{
    const FollowCase &c = GetParam();
    createOnline();
    graph.showing = true;
    prefill(c.reading - 1);
    feed(kSmallAc);
    ASSERT_EQ(state.gRecordCount(), c.reading);
    EXPECT_EQ(state.gViewStart, c.viewStart);
    EXPECT_EQ(state.gViewCount, c.viewCount);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(show().Label7[i]->text(), QString::fromUtf8(c.labels[i]));
    EXPECT_EQ(graph.calls,
              (QStringList{QStringLiteral("labels:%1,%2,%3").arg(c.labels[0], c.labels[1], c.labels[2]),
                           QStringLiteral("repaint")}));
}

INSTANTIATE_TEST_SUITE_P(Readings, TrendFollowing,
                         ::testing::Values(FollowCase{100, 1, 100, {"1", "50", "100"}},
                                           FollowCase{101, 101, 1, {"101", "150", "200"}},
                                           FollowCase{250, 201, 50, {"201", "250", "300"}}));

TEST_F(MainFormTest, HiddenGraphWindowIsNeitherRelabelledNorRepainted)
{
    createOnline();
    feed(kSmallAc);
    EXPECT_TRUE(graph.calls.isEmpty());
}

TEST_F(MainFormTest, BrowsingKeepsTheTrendWindowAndBothCharts)
{
    createOnline();
    graph.showing = true;
    prefill(150);
    state.gViewBrowsing = true;
    state.gViewStart = 1;
    state.gViewCount = 100;
    show().showPage(window->trendView.xLabels());
    const QImage chart = show().Picture1->image();

    feed(kAcMillivolts);

    EXPECT_EQ(state.gRecordCount(), 151);
    EXPECT_EQ(state.gRecords[150].data, QStringLiteral("123.45"));
    EXPECT_EQ(show().Label4->text(), QStringLiteral("123.45"));
    EXPECT_EQ(grid().text(1, 0), QStringLiteral("151"));
    EXPECT_EQ(state.gViewStart, 1);
    EXPECT_EQ(state.gViewCount, 100);
    EXPECT_EQ(show().Label7[2]->text(), QStringLiteral("100"));
    EXPECT_TRUE(state.gViewBrowsing);
    EXPECT_EQ(show().Picture1->image(), chart);
    EXPECT_TRUE(graph.calls.isEmpty());
}

// Lost-link recovery, deterministic: the retry tick is called directly.
TEST_F(MainFormTest, LostLinkIsRetriedUntilTheReceiverComesBack)
{
    createOnline();
    feed(kAcMillivolts);
    port.loseLink(QStringLiteral("Lost the connection to the serial port /dev/ttyUSB0 (read error)."));
    EXPECT_FALSE(port.portOpen());
    EXPECT_TRUE(window->rediscoverTimer->isActive());
    EXPECT_EQ(window->rediscoverTimer->interval(), 2000);
    EXPECT_EQ(state.gRecordCount(), 1);
    EXPECT_EQ(grid().rows(), 3);
    EXPECT_TRUE(shown(show().Label5));

    receiver.clear(); // still unplugged
    window->rediscover();
    EXPECT_FALSE(port.portOpen());
    EXPECT_TRUE(window->rediscoverTimer->isActive());

    receiver = QStringLiteral("/dev/ttyUSB1"); // back, under another name
    window->rediscover();
    EXPECT_TRUE(port.portOpen());
    EXPECT_EQ(port.commPort(), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_FALSE(window->rediscoverTimer->isActive());
    EXPECT_TRUE(window->connectForm->Timer1->isActive());
    window->connectForm->Timer1_Timer();
    feed(kSmallAc);
    EXPECT_EQ(state.gRecordCount(), 2);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(MainFormTest, PortClosedByAListChoiceIsNotReopened)
{
    createOnline();
    window->connectForm->Combo1_Click();
    EXPECT_FALSE(port.portOpen());
    EXPECT_FALSE(window->rediscoverTimer->isActive());
    const int opens = port.openCalls;
    window->rediscover();
    EXPECT_EQ(port.openCalls, opens);
}

TEST_F(MainFormTest, ConnectingByHandStopsTheRetry)
{
    createOnline();
    port.loseLink(QStringLiteral("lost"));
    ASSERT_TRUE(window->rediscoverTimer->isActive());
    window->connectForm->btn_conn_Click();
    EXPECT_TRUE(port.portOpen());
    EXPECT_FALSE(window->rediscoverTimer->isActive());
}

} // namespace
