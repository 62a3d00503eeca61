// The graph window's "Print": the report takes the captions the windows show
// at that moment and the trend window's points, and a failure is told once.
#include "graph/graphprint.h"

#include "display/showform.h"
#include "graph/graphform.h"
#include "platform/dialogs.h"
#include "support/recordingprint.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

using Kind = printing::PrintStep::Kind;

class GraphPrintTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.attach(trend);
        show = std::make_unique<ShowForm>(state, trend);
        show->Image1_Click(); // opens the graph window
        ASSERT_NE(host.window(), nullptr);
    }
    void TearDown() override { host.unload(); }

    void fill(int n)
    {
        for (int i = 0; i < n; ++i) {
            const int number = state.nextNumber();
            state.append(
                {0, 400.0, QStringLiteral("VDC"), QString(), QStringLiteral("V"), QStringLiteral("400")});
            trend.follow(number);
        }
    }

    QStringList printedTexts() const
    {
        QStringList out;
        for (const auto &e : kept.entries)
            if (e.step.kind == Kind::Text)
                out << e.step.text;
        return out;
    }

    SharedState state;
    GraphWindowHost host{state};
    TrendView trend{state, host};
    std::unique_ptr<ShowForm> show;
    ScriptedDialogs dialogs;
    recordingprint::Kept kept;
};

TEST_F(GraphPrintTest, PrintsTheCaptionsTheWindowsShowAndTheChartsPoints)
{
    fill(150); // the second page: 101 .. 200, 50 readings
    GraphForm &g = *host.window();
    g.Label8[3]->setText(QStringLiteral("typed"));
    graphprint::printFromWindow(g, state, QStringLiteral("12/10/26 8:15:42 AM"), dialogs,
                                recordingprint::factory(kept));
    EXPECT_TRUE(dialogs.asked.isEmpty());
    ASSERT_TRUE(kept.documentEnded);
    const QStringList texts = printedTexts();
    ASSERT_EQ(texts.size(), 22);
    EXPECT_EQ(texts[0], QStringLiteral("Quenvo Graph Report"));
    EXPECT_EQ(texts[1], QStringLiteral("400"));
    EXPECT_EQ(texts[4], QStringLiteral("typed"));
    EXPECT_EQ(texts[9], QStringLiteral("0")); // Label6
    EXPECT_EQ(texts[17], QStringLiteral("-400"));
    EXPECT_EQ(texts.mid(18, 3), (QStringList{"101", "150", "200"}));
    EXPECT_EQ(texts[21], QStringLiteral("12/10/26 8:15:42 AM"));
    // 50 readings at full scale: the last dot on slot 50, the points the chart's.
    int circles = 0;
    double lastX = 0;
    for (const auto &e : kept.entries)
        if (e.step.kind == Kind::Circle) {
            ++circles;
            EXPECT_DOUBLE_EQ(e.step.y, 2965);
            lastX = std::max(lastX, e.step.x);
        }
    EXPECT_EQ(circles, 2 * 49);
    EXPECT_DOUBLE_EQ(lastX, 3000 + 15 * 7 * 50);
    EXPECT_EQ(state.gPlotPoints[49].number, 150);
    EXPECT_EQ(state.gPlotPoints[49].x, 350);
}

TEST_F(GraphPrintTest, TheButtonPrintsThroughTheInstalledHandler)
{
    fill(3);
    host.setPrintHandler([this](GraphForm &form) {
        graphprint::printFromWindow(form, state, QStringLiteral("clock"), dialogs,
                                    recordingprint::factory(kept));
    });
    host.unload();
    show->Image1_Click();
    host.window()->Command1_Click();
    EXPECT_EQ(kept.surfacesMade, 1);
    EXPECT_TRUE(kept.documentEnded);
}

TEST_F(GraphPrintTest, AFailureAtAnyStepIsToldOnceAndLeavesTheWindowAlone)
{
    fill(3);
    graphprint::printFromWindow(*host.window(), state, QStringLiteral("clock"), dialogs,
                                recordingprint::factory(kept));
    const int steps = kept.stepsAsked;
    const QString x0 = host.window()->numlabel1[0]->text();
    for (int k = 1; k <= steps; ++k) {
        SCOPED_TRACE(k);
        recordingprint::Kept failing;
        failing.failAt = k;
        dialogs.asked.clear();
        graphprint::printFromWindow(*host.window(), state, QStringLiteral("clock"), dialogs,
                                    recordingprint::factory(failing));
        EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("tell:printer error!|step %1 refused").arg(k)});
        EXPECT_EQ(failing.entries.size(), std::size_t(k - 1));
        EXPECT_FALSE(failing.documentEnded);
        EXPECT_EQ(state.gRecordCount(), 3);
        EXPECT_EQ(state.gViewCount, 3);
        EXPECT_EQ(host.window()->numlabel1[0]->text(), x0);
    }
}

} // namespace
