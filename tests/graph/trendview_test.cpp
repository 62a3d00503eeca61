// The trend view: which chart hears of which change, in which order, and what
// the scale hand-over does to the shared scale.
#include "graph/trendview.h"

#include "graph/graphlink.h"

#include <gtest/gtest.h>

namespace {

using Chart = TrendView::Chart;

class FakeGraph : public GraphWindowLink
{
public:
    bool showing = false;
    int showCalls = 0;
    int questions = 0;
    bool available() const override { return true; }
    bool isShowing() override
    {
        ++questions;
        return showing;
    }
    void showWindow() override
    {
        ++showCalls;
        showing = true;
    }
    void unload() override {}
};

// Every announcement as one line: "page:D:101,150,200", "labels:G:10,...:redraw".
struct Rig
{
    Rig()
    {
        QObject::connect(&view, &TrendView::pageShown, [this](Chart c, const std::array<QString, 3> &l) {
            log << QStringLiteral("page:%1:%2,%3,%4").arg(name(c), l[0], l[1], l[2]);
        });
        QObject::connect(&view, &TrendView::redrawRequested,
                         [this](Chart c) { log << QStringLiteral("redraw:%1").arg(name(c)); });
        QObject::connect(
            &view, &TrendView::scaleLabelsChanged, [this](Chart c, const QStringList &l, bool redraw) {
                log << QStringLiteral("labels:%1:%2%3").arg(name(c), l.join(u','), redraw ? ":redraw" : "");
            });
        QObject::connect(&view, &TrendView::scaleTextHandedOver, [this](Chart c, const QString &t) {
            log << QStringLiteral("text:%1:%2").arg(name(c), t);
        });
    }
    static QString name(Chart c) { return c == Chart::Display ? QStringLiteral("D") : QStringLiteral("G"); }
    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            state.append({});
        view.follow(n);
        log.clear();
    }

    SharedState state;
    FakeGraph graph;
    TrendView view{state, graph};
    QStringList log;
};

const QString kTen =
    QStringLiteral("10,8.75,7.5,6.25,5,3.75,2.5,1.25,,-1.25,-2.5,-3.75,-5,-6.25,-7.5,-8.75,-10");

} // namespace

TEST(TrendView, FollowingAndPagingRefreshTheDisplayThenTheShowingGraph)
{
    Rig rig;
    rig.fill(250);
    EXPECT_TRUE(rig.view.previousPage(Chart::Display));
    EXPECT_EQ(rig.log, QStringList{"page:D:101,150,200"}); // the graph is hidden
    EXPECT_TRUE(rig.state.gViewBrowsing);

    rig.graph.showing = true;
    rig.log.clear();
    rig.view.follow(251);
    EXPECT_EQ(rig.log, (QStringList{"page:D:201,250,300", "page:G:201,250,300"}));

    // The graph window's own buttons refresh both charts.
    rig.graph.showing = false;
    rig.log.clear();
    EXPECT_TRUE(rig.view.firstPage(Chart::Graph));
    EXPECT_EQ(rig.log, (QStringList{"page:D:1,50,100", "page:G:1,50,100"}));

    // A step whose condition fails announces nothing.
    rig.log.clear();
    EXPECT_FALSE(rig.view.previousPage(Chart::Display));
    EXPECT_TRUE(rig.log.isEmpty());
}

TEST(TrendView, EmptyingTheStoreFollowsAgainAndRedrawsOnlyTheDisplay)
{
    Rig rig;
    rig.fill(150);
    rig.view.firstPage(Chart::Display);
    rig.graph.showing = true;
    rig.log.clear();
    rig.state.empty();
    rig.view.storeEmptied();
    EXPECT_FALSE(rig.state.gViewBrowsing);
    EXPECT_EQ(rig.state.gViewStart, 1); // the window stays until the next reading
    EXPECT_EQ(rig.log, QStringList{"redraw:D"});
}

TEST(TrendView, AScaleChoiceIsHandedToTheOtherWindowWithoutEcho)
{
    Rig rig;
    // The graph window hidden: only the display applies it.
    rig.view.chooseScale(Chart::Display, QStringLiteral("10"));
    EXPECT_EQ(rig.log, QStringList{"labels:D:10,7.5,5,2.5,-2.5,-5,-7.5,-10:redraw"});
    EXPECT_EQ(rig.state.gGraphScale, 10);

    rig.graph.showing = true;
    rig.log.clear();
    rig.view.chooseScale(Chart::Display, QStringLiteral("10"));
    EXPECT_EQ(rig.log, (QStringList{"labels:D:10,7.5,5,2.5,-2.5,-5,-7.5,-10:redraw", "text:G:10",
                                    "labels:G:" + kTen + ":redraw"}));

    // From the graph window the display hears of it whether or not it asks.
    rig.graph.showing = false;
    rig.log.clear();
    rig.view.chooseScale(Chart::Graph, QStringLiteral("2000"));
    ASSERT_EQ(rig.log.size(), 3);
    EXPECT_TRUE(rig.log[0].startsWith("labels:G:2000,1750"));
    EXPECT_EQ(rig.log[1], "text:D:2000");
    EXPECT_EQ(rig.log[2], "labels:D:2000,1500,1000,500,-500,-1000,-1500,-2000:redraw");
    EXPECT_EQ(rig.state.gGraphScale, 2000);
}

TEST(TrendView, TypedTextTakesEachWindowsOwnRule)
{
    Rig rig;
    rig.graph.showing = true;
    // The display's table gives 400 for text it does not list; the graph
    // window applies the text's whole number, last.
    rig.view.chooseScale(Chart::Display, QStringLiteral("123"));
    EXPECT_EQ(rig.log[0], "labels:D:400,300,200,100,-100,-200,-300,-400:redraw");
    EXPECT_EQ(rig.state.gGraphScale, 123);
}

TEST(TrendView, OpeningTheGraphSetsItsLabelsWithoutRedrawing)
{
    Rig rig;
    rig.view.openGraph(QStringLiteral("10"));
    EXPECT_EQ(rig.graph.showCalls, 1);
    EXPECT_EQ(rig.log, (QStringList{"text:G:10", "labels:G:" + kTen}));
    EXPECT_EQ(rig.state.gGraphScale, 10);
}

TEST(TrendView, TextThatIsNoWholeScaleIsNeverAppliedToTheGraph)
{
    Rig rig;
    rig.graph.showing = true;
    rig.view.chooseScale(Chart::Graph, QStringLiteral("20"));
    for (const char *text : {"abc", "0", "-10", "0.4", "3000000000", ""}) {
        rig.log.clear();
        rig.view.applyScale(Chart::Graph, QString::fromLatin1(text));
        EXPECT_TRUE(rig.log.isEmpty()) << text;
        EXPECT_EQ(rig.state.gGraphScale, 20) << text;
        rig.view.openGraph(QString::fromLatin1(text));
        EXPECT_EQ(rig.log, QStringList{"text:G:" + QString::fromLatin1(text)}) << text;
        EXPECT_EQ(rig.state.gGraphScale, 20) << text;
    }
    // A decimal rounds half to even.
    rig.view.applyScale(Chart::Graph, QStringLiteral("250.5"));
    EXPECT_EQ(rig.state.gGraphScale, 250);
    rig.view.applyScale(Chart::Graph, QStringLiteral("251.5"));
    EXPECT_EQ(rig.state.gGraphScale, 252);
}
