// The graph window with the display window beside it, both on one trend
// view, offscreen: creation and re-creation, the chart on its real surface,
// the scale in both directions, paging from this window's buttons, the
// cursor read-out, and the window inside the main window's receive path and
// shutdown.
#include "graph/graphform.h"

#include "app/mainform.h"
#include "display/scaletable.h"
#include "display/showform.h"
#include "link/connectform.h"
#include "platform/chartsurface.h"
#include "platform/dialogs.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/twips.h"
#include "platform/uikit.h"
#include "support/scriptedserialcontrol.h"
#include "support/uitesting.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kRed(255, 0, 0);
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kBack(0xE0, 0xE0, 0xE0);

QStringList texts(std::initializer_list<QLabel *> labels)
{
    QStringList out;
    for (QLabel *l : labels)
        out << l->text();
    return out;
}

class GraphFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        host.attach(trend);
        show = std::make_unique<ShowForm>(state, trend);
    }
    void TearDown() override
    {
        host.unload();
        QLocale::setDefault(QLocale::system());
    }

    GraphForm &open()
    {
        show->Image1_Click();
        return *host.window();
    }

    // n readings, following: the newest page, both charts refreshed as a
    // reading refreshes them.
    void fill(
        int n, double (*value)(int) = [](int) { return 100.0; })
    {
        for (int i = 0; i < n; ++i) {
            const int number = state.nextNumber();
            state.append({0, value(number), QStringLiteral("VDC"),
                          QStringLiteral("1/2/2024\\10:%1").arg(number), QStringLiteral("mV"),
                          QString::number(value(number), 'f', 2)});
            if (!state.gViewBrowsing)
                trend.follow(number);
        }
    }

    QStringList graphX() const
    {
        GraphForm *g = host.window();
        return texts({g->numlabel1[0], g->numlabel1[1], g->numlabel1[2]});
    }
    QStringList displayX() const { return texts({show->Label7[0], show->Label7[1], show->Label7[2]}); }
    QStringList graphY() const
    {
        QStringList out;
        for (int k = 0; k < 17; ++k) {
            if (k != 8)
                out << host.window()->Label8[static_cast<std::size_t>(k)]->text();
        }
        return out;
    }
    static QStringList expectedGraphY(int scale)
    {
        const std::array<QString, 17> all = scales::graphLabels(scale);
        QStringList out;
        for (int k = 0; k < 17; ++k) {
            if (k != 8)
                out << all[static_cast<std::size_t>(k)];
        }
        return out;
    }
    QStringList displayY() const
    {
        QStringList out;
        for (int k = 0; k < 8; ++k)
            out << show->Label8[static_cast<std::size_t>(k)]->text();
        return out;
    }
    QColor pixel(int x, int y) const { return host.window()->Picture1->image().pixelColor(x, y); }
    bool shown(const QWidget *w) const { return w->isVisibleTo(host.window()); }
    void choose(ChoiceComboBox *box, const QString &text)
    {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << qPrintable(text);
        box->setCurrentIndex(index);
        Q_EMIT box->listChosen(index);
    }

    SharedState state;
    GraphWindowHost host{state};
    TrendView trend{state, host};
    std::unique_ptr<ShowForm> show;
};

const QStringList kDesignY = {"400", "350",  "300",  "250",  "200",  "150",  "100",  "50",
                              "-50", "-100", "-150", "-200", "-250", "-300", "-350", "-400"};

} // namespace

TEST_F(GraphFormTest, CreatedOnFirstUseWithItsDesignAndGeometry)
{
    EXPECT_EQ(host.window(), nullptr);
    EXPECT_FALSE(host.isShowing()); // asking creates it, hidden
    ASSERT_NE(host.window(), nullptr);
    GraphForm &g = *host.window();
    EXPECT_FALSE(g.isVisible());
    EXPECT_TRUE(g.isWindow());
    EXPECT_EQ(g.windowTitle(), "Graph");
    EXPECT_EQ(g.size(), QSize(818, 562));
    EXPECT_EQ(g.minimumSize(), g.maximumSize()); // no resizing
    EXPECT_FALSE(g.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(g.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));

    EXPECT_EQ(g.Picture1->geometry(), QRect(56, 40, 707, 496));
    EXPECT_EQ(g.Picture1->drawingArea(), QSize(703, 492));
    EXPECT_EQ(g.Combo1->geometry(), twips::rect(840, 195, 1095, 315));
    EXPECT_EQ(g.Command1->geometry(), twips::rect(7680, 195, 1215, 315));
    EXPECT_EQ(g.Command1->text(), "Print");
    EXPECT_TRUE(g.Command1->isEnabled());
    const int lefts[5] = {2280, 3360, 4440, 5520, 6600};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(g.pagingButtons()[static_cast<std::size_t>(i)]->geometry(),
                  twips::rect(lefts[i], 195, 900, 315));
    EXPECT_EQ(g.Image2->geometry(), twips::rect(11520, 3600, 630, 630));
    EXPECT_EQ(g.Image3->geometry(), twips::rect(11520, 4440, 630, 630));

    // Y labels level with the grid rows: row k is 31 + 27k inside the chart.
    const int chartTop = g.Picture1->y() + g.Picture1->origin().y();
    for (int k = 0; k < 17; ++k) {
        const QLabel *label = k == 8 ? g.Label6 : g.Label8[static_cast<std::size_t>(k)];
        const int row = chartTop + 31 + 27 * k;
        EXPECT_LE(std::abs(label->geometry().center().y() - row), 1) << k;
        if (k != 8) {
            EXPECT_TRUE(label->alignment() & Qt::AlignRight) << k;
        }
    }
    EXPECT_EQ(g.Label8[8]->text(), "Y:");
    EXPECT_EQ(g.Label6->text(), "0");
    EXPECT_EQ(graphY(), kDesignY);
    EXPECT_EQ(graphX(), (QStringList{"1", "50", "100"}));
    EXPECT_TRUE(g.numlabel1[0]->alignment() & Qt::AlignLeft);
    EXPECT_TRUE(g.numlabel1[1]->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(g.numlabel1[2]->alignment() & Qt::AlignRight);

    EXPECT_EQ(g.Combo1->count(), 9);
    EXPECT_EQ(g.Combo1->itemText(0), "4000");
    EXPECT_EQ(g.Combo1->itemText(8), "10");
    EXPECT_EQ(g.Combo1->currentText(), "400");
    EXPECT_EQ(g.Combo1->currentIndex(), -1);
    for (const QWidget *w : {g.Line1, static_cast<QWidget *>(g.Label1), static_cast<QWidget *>(g.Label2),
                             static_cast<QWidget *>(g.Label3)})
        EXPECT_FALSE(shown(w));
    EXPECT_EQ(g.Picture1->cursor().shape(), Qt::CrossCursor);
}

TEST_F(GraphFormTest, ClosingEndsTheInstanceAndTheNextUseHasTheDesignCaptions)
{
    fill(150);
    show->Combo1->setEditText(QStringLiteral("1000"));
    GraphForm &g = open();
    EXPECT_TRUE(host.isShowing());
    EXPECT_EQ(g.Combo1->currentText(), "1000");
    EXPECT_EQ(graphY(), expectedGraphY(1000));
    fill(1);
    EXPECT_EQ(graphX(), (QStringList{"101", "150", "200"}));

    QPointer<GraphForm> old = host.window();
    old->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(state.gGraphScale, 1000); // the scale outlives the window

    EXPECT_FALSE(host.isShowing()); // a new one, hidden, with its design captions
    EXPECT_EQ(graphY(), kDesignY);
    EXPECT_EQ(graphX(), (QStringList{"1", "50", "100"}));
    EXPECT_EQ(host.window()->Combo1->currentText(), "400");
}

TEST_F(GraphFormTest, FullWindowOnTheRealSurface)
{
    fill(100, [](int n) { return n == 1 ? 400.0 : n == 100 ? -400.0 : 0.0; });
    GraphForm &g = open();
    EXPECT_EQ(pixel(7, 31), kRed);    // +scale on the top row
    EXPECT_EQ(pixel(700, 463), kRed); // -scale on the bottom row
    EXPECT_EQ(pixel(350, 247), kRed); // zero on the zero line
    EXPECT_EQ(state.gPlotPoints[99].x, 700);
    EXPECT_EQ(state.gPlotPoints[99].y, 463);
    EXPECT_EQ(pixel(7, 491), kSilver); // tick, clipped at the bottom
    EXPECT_EQ(pixel(3, 491), kBack);
    int silver = 0;
    for (int x = 0; x < 703; ++x)
        silver += pixel(x, 58) == kSilver;
    EXPECT_GT(silver, 200); // a dotted row
    EXPECT_LT(silver, 703);

    // Beyond the scale: not clamped, drawn outside the band (here clipped away).
    state.gRecords[49].value = 1000.0;
    g.redrawChart();
    EXPECT_EQ(state.gPlotPoints[49].y, 247 - 540);
    EXPECT_NE(pixel(350, 31), kRed);
}

TEST_F(GraphFormTest, ScaleChoicesRelabelBothWindowsWithoutEcho)
{
    fill(3, [](int) { return 10.0; });
    GraphForm &g = open();
    for (const QString &text : scales::choices()) {
        choose(g.Combo1, text);
        EXPECT_EQ(state.gGraphScale, text.toInt());
        EXPECT_EQ(graphY(), expectedGraphY(text.toInt())) << qPrintable(text);
        const scales::ScaleRow row = scales::lookup(text);
        EXPECT_EQ(displayY(), QStringList(row.displayLabels.begin(), row.displayLabels.end()));
        EXPECT_EQ(show->Combo1->currentText(), text);
    }
    EXPECT_EQ(graphY().mid(0, 8), (QStringList{"10", "8.75", "7.5", "6.25", "5", "3.75", "2.5", "1.25"}));
    EXPECT_EQ(pixel(7, 31), kRed); // 10 at scale 10 on the top row

    // From the display window, while showing: this window follows.
    choose(show->Combo1, QStringLiteral("2000"));
    EXPECT_EQ(g.Combo1->currentText(), "2000");
    EXPECT_EQ(graphY(), expectedGraphY(2000));
    // The display window's own scale change does not reach this window.
    show->setScaleText(QStringLiteral("40"));
    show->Combo1_Clicktwo();
    EXPECT_EQ(g.Combo1->currentText(), "2000");
    EXPECT_EQ(graphY(), expectedGraphY(2000));
}

TEST_F(GraphFormTest, StepButtonsStopAtTheEndsAndTypedTextIsAppliedOnlyWhenWhole)
{
    GraphForm &g = open();
    g.setScaleText(QStringLiteral("10"));
    g.Image2_Click(); // at the end: nothing at all
    EXPECT_EQ(state.gGraphScale, 400);
    EXPECT_EQ(graphY(), kDesignY);
    g.Image3_Click();
    EXPECT_EQ(g.Combo1->currentText(), "20");
    EXPECT_EQ(state.gGraphScale, 20);
    EXPECT_EQ(show->Combo1->currentText(), "20");
    g.setScaleText(QStringLiteral("4000"));
    g.Image3_Click();
    EXPECT_EQ(state.gGraphScale, 20);
    g.Image2_Click();
    EXPECT_EQ(state.gGraphScale, 2000);

    // Typed text outside the list: a whole number is applied here, and the
    // display window takes its table's fallback.
    g.Combo1->setEditText(QStringLiteral("250.5"));
    g.Image2_Click();
    EXPECT_EQ(state.gGraphScale, 400); // the display window applies last
    EXPECT_EQ(graphY(), expectedGraphY(250));
    EXPECT_EQ(show->Combo1->currentText(), "250.5");

    for (const char *bad : {"abc", "0", "-5", "9999999999"}) {
        g.Combo1->setEditText(QString::fromLatin1(bad));
        g.Image3_Click();
        EXPECT_EQ(graphY(), expectedGraphY(250)) << bad; // never applied here
    }
}

TEST_F(GraphFormTest, ButtonFacesFollowPressAndRelease)
{
    GraphForm &g = open();
    for (int i = 0; i < 5; ++i) {
        ImageButton *b = g.pagingButtons()[static_cast<std::size_t>(i)];
        QTest::mousePress(b, Qt::RightButton);
        EXPECT_EQ(b->pixmap().toImage(), pictures::navFace(i + 6).toImage()) << i;
        QTest::mouseRelease(b, Qt::RightButton);
        EXPECT_EQ(b->pixmap().toImage(), pictures::navFace(i + 1).toImage()) << i;
    }
    QTest::mousePress(g.Image2, Qt::LeftButton);
    EXPECT_EQ(g.Image2->pixmap().toImage(), pictures::stepFace(3).toImage());
    QTest::mouseRelease(g.Image2, Qt::LeftButton);
    EXPECT_EQ(g.Image2->pixmap().toImage(), pictures::stepFace(2).toImage());
    QTest::mousePress(g.Image3, Qt::LeftButton);
    EXPECT_EQ(g.Image3->pixmap().toImage(), pictures::stepFace(1).toImage());
    QTest::mouseRelease(g.Image3, Qt::LeftButton);
    EXPECT_EQ(g.Image3->pixmap().toImage(), pictures::stepFace(4).toImage());
}

// From the keyboard: the window opens with the focus on its first paging
// button; Tab goes scale box, paging buttons, Print, step buttons; Space
// shows a button's pressed face until it is released, Enter clicks at once.
TEST_F(GraphFormTest, KeyboardReachesAndPressesEveryButton)
{
    fill(350);
    GraphForm &g = open();
    g.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&g));
    EXPECT_EQ(QApplication::focusWidget(), g.imgbtnfirst);

    const QList<QWidget *> order = {g.Combo1,    g.imgbtnfirst, g.imgbtnleft, g.imgbtncenter, g.imgbtnright,
                                    g.imgbtnend, g.Command1,    g.Image2,     g.Image3};
    QList<QWidget *> visited{g.Combo1};
    g.Combo1->setFocus();
    for (int i = 1; i < order.size() + 1; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    EXPECT_EQ(visited, order + QList<QWidget *>{g.Combo1});

    g.imgbtnfirst->setFocus();
    QTest::keyPress(g.imgbtnfirst, Qt::Key_Space);
    EXPECT_EQ(g.imgbtnfirst->pixmap().toImage(), pictures::navFace(6).toImage());
    QTest::keyRelease(g.imgbtnfirst, Qt::Key_Space);
    EXPECT_EQ(g.imgbtnfirst->pixmap().toImage(), pictures::navFace(1).toImage());
    EXPECT_EQ(graphX(), (QStringList{"1", "50", "100"}));
    g.imgbtnright->setFocus();
    QTest::keyClick(g.imgbtnright, Qt::Key_Return);
    EXPECT_EQ(graphX(), (QStringList{"101", "150", "200"}));
    EXPECT_EQ(displayX(), graphX());

    g.Image2->setFocus();
    QTest::keyPress(g.Image2, Qt::Key_Space);
    EXPECT_EQ(g.Image2->pixmap().toImage(), pictures::stepFace(3).toImage());
    QTest::keyRelease(g.Image2, Qt::Key_Space);
    EXPECT_EQ(g.Image2->pixmap().toImage(), pictures::stepFace(2).toImage());
    EXPECT_EQ(g.Combo1->currentText(), QStringLiteral("200"));
    g.Image3->setFocus();
    QTest::keyClick(g.Image3, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(show->Combo1->currentText(), QStringLiteral("400"));
}

// The trend window's state table, stepped from this window's buttons: both
// windows relabelled after every step that moves, nothing after one that does not.
TEST_F(GraphFormTest, PagingFromThisWindowMovesBothCharts)
{
    struct Step
    {
        int records;
        int fromStart; // 0: following
        int button;    // 0 first, 1 previous, 2 centre, 3 next, 4 last
        int start, count;
        bool browsing;
        bool moves; // the step's condition holds: both charts are updated
    };
    const Step steps[] = {
        {150, 0, 0, 1, 100, true, true},    {150, 1, 3, 101, 50, false, true},
        {300, 1, 3, 101, 100, true, true},  {300, 101, 3, 201, 100, false, true},
        {201, 1, 3, 101, 100, true, true},  {201, 101, 3, 101, 100, true, false},
        {201, 101, 4, 201, 1, false, true}, {101, 1, 3, 1, 100, true, false},
        {250, 0, 1, 101, 100, true, true},  {250, 101, 1, 1, 100, true, true},
        {250, 1, 1, 1, 100, true, false},   {100, 0, 0, 1, 100, false, false},
        {100, 0, 2, 1, 100, false, true},   {0, 0, 3, 1, 0, false, false},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message()
                     << s.records << " records from " << s.fromStart << ", button " << s.button);
        state.empty();
        state.gViewStart = 1;
        state.gViewCount = 0;
        state.gViewBrowsing = false;
        fill(s.records);
        GraphForm &g = open();
        if (s.fromStart > 0) {
            state.gViewStart = s.fromStart;
            state.gViewCount = 100;
            state.gViewBrowsing = true;
        }
        for (QLabel *l : {g.numlabel1[0], show->Label7[0]})
            l->setText(QStringLiteral("-"));
        QTest::mouseClick(g.pagingButtons()[static_cast<std::size_t>(s.button)], Qt::LeftButton);
        EXPECT_EQ(state.gViewStart, s.start);
        EXPECT_EQ(state.gViewCount, s.count);
        EXPECT_EQ(state.gViewBrowsing, s.browsing);
        if (s.moves) {
            const QStringList expected = {QString::number(s.start), QString::number(s.start + 49),
                                          QString::number(s.start + 99)};
            EXPECT_EQ(graphX(), expected);
            EXPECT_EQ(displayX(), expected);
        } else {
            EXPECT_EQ(g.numlabel1[0]->text(), "-");
            EXPECT_EQ(show->Label7[0]->text(), "-");
        }
    }
}

TEST_F(GraphFormTest, CursorReadOut)
{
    fill(100, [](int n) { return n * 0.5; });
    state.gRecords[99].data = ".OL";
    GraphForm &g = open();
    const QPoint origin = g.Picture1->origin();

    QMouseEvent move(QEvent::MouseMove, QPointF(origin + QPoint(7, 40)), QPointF(), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(g.Picture1, &move);
    for (const QWidget *w : {g.Line1, static_cast<QWidget *>(g.Label1), static_cast<QWidget *>(g.Label2),
                             static_cast<QWidget *>(g.Label3)})
        EXPECT_TRUE(shown(w));
    EXPECT_EQ(g.Label2->text(), "0.50mV");
    EXPECT_EQ(g.Label1->text(), "VDC");
    EXPECT_EQ(g.Label3->text(), "1/2/2024\\10:1");
    EXPECT_EQ(g.Line1->x(), origin.x() + 7);
    EXPECT_EQ(g.Label2->pos(), origin + QPoint(7, 43));
    EXPECT_EQ(g.Label1->y(), origin.y());
    EXPECT_EQ(g.Label3->y(), origin.y() + twips::px(7020));

    g.Picture1_MouseMove(700, 100);
    EXPECT_EQ(g.Label2->text(), ".OLmV"); // data then unit, nothing between
    EXPECT_EQ(g.Label3->text(), "1/2/2024\\10:100");
    // Pushed inside at the right edge; Label2 also at the bottom.
    EXPECT_EQ(g.Label1->x(), origin.x() + 703 - g.Label1->width());
    EXPECT_EQ(g.Label3->x(), origin.x() + 703 - g.Label3->width());
    g.Picture1_MouseMove(700, 490);
    EXPECT_EQ(g.Label2->pos(), origin + QPoint(703 - g.Label2->width(), 492 - g.Label2->height()));
    EXPECT_EQ(g.Label3->y(), origin.y() + twips::px(7020)); // only sideways

    g.Picture1_MouseMove(2, 10); // slot 0: shown, empty
    EXPECT_TRUE(shown(g.Label2));
    EXPECT_EQ(g.Label2->text(), "");
    EXPECT_EQ(g.Label1->text(), "");

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(g.Picture1, &leave);
    for (const QWidget *w : {g.Line1, static_cast<QWidget *>(g.Label1), static_cast<QWidget *>(g.Label2),
                             static_cast<QWidget *>(g.Label3)})
        EXPECT_FALSE(shown(w));
    EXPECT_EQ(g.Label3->text(), "");
}

TEST_F(GraphFormTest, PrintRunsTheInstalledReport)
{
    int printed = 0;
    host.setPrintHandler([&](GraphForm &) { ++printed; });
    GraphForm &g = open();
    QTest::mouseClick(g.Command1, Qt::LeftButton);
    EXPECT_EQ(printed, 1);
}

// The graph window in the desktop program's receive path and shutdown.
class GraphInMainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<MainForm>(state, port, dialogs, host,
                                            [] { return QStringLiteral("/dev/ttyUSB0"); });
        host.attach(window->trendView);
        window->connectForm->Timer1_Timer();
        ASSERT_EQ(port.rThreshold(), 14);
    }
    void reading() { port.receive(uitesting::wire({0, 0, 0, 123})); }

    SharedState state;
    ScriptedSerialControl port;
    ScriptedDialogs dialogs;
    GraphWindowHost host{state};
    std::unique_ptr<MainForm> window;
};

TEST_F(GraphInMainWindow, FollowingReachesTheWindowOnlyWhileShowingAndShutdownUnloadsIt)
{
    for (int i = 0; i < 120; ++i)
        reading();
    ASSERT_EQ(state.gRecordCount(), 120);
    ASSERT_NE(host.window(), nullptr); // created hidden by the first reading's question
    EXPECT_EQ(host.window()->numlabel1[0]->text(), "1");

    window->showForm->Image1_Click();
    ASSERT_TRUE(host.isShowing());
    reading();
    EXPECT_EQ(host.window()->numlabel1[0]->text(), "101");
    EXPECT_EQ(host.window()->numlabel1[2]->text(), "200");
    EXPECT_EQ(state.gPlotPoints[20].x, 7 * 21); // the graph chart painted last

    QPointer<GraphForm> open = host.window();
    dialogs.answers = {Dialogs::Answer::No};
    window->MDIForm_Unload();
    EXPECT_TRUE(open.isNull());
    EXPECT_EQ(dialogs.asked.size(), 1);
}
