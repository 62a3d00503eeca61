#include "display/showform.h"

#include "display/scaletable.h"
#include "graph/graphlink.h"
#include "graph/trendpaging.h"
#include "platform/chartsurface.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/twips.h"
#include "platform/uikit.h"
#include "support/recordinggraph.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kRed(255, 0, 0);

class ShowFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        graph.listenTo(trend);
        form = std::make_unique<ShowForm>(state, trend);
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // n readings, the window on the newest page, the chart redrawn.
    void fill(int n, double value = 100.0)
    {
        for (int i = 0; i < n; ++i)
            state.append({0, value, QStringLiteral("VDC"), QStringLiteral("1/2/2024\\10:00:%1").arg(i),
                          QStringLiteral("mV"), QString::number(value, 'f', 2)});
        paging::showNewest(state, state.gRecordCount());
        form->showPage(trend.xLabels());
    }
    QColor pixel(int x, int y) const { return form->Picture1->image().pixelColor(x, y); }
    int redPixels() const
    {
        const QImage &img = form->Picture1->image();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == kRed;
        return n;
    }
    bool shown(const QWidget *w) const { return w->isVisibleTo(form.get()); }
    QStringList labels7() const
    {
        return {form->Label7[0]->text(), form->Label7[1]->text(), form->Label7[2]->text()};
    }
    QStringList labels8() const
    {
        QStringList l;
        for (int i = 0; i < 8; ++i)
            l << form->Label8[static_cast<std::size_t>(i)]->text();
        return l;
    }
    int litSegments() const
    {
        int n = 0;
        for (QWidget *w : form->Lineshow)
            n += shown(w);
        return n;
    }

    SharedState state;
    RecordingGraph graph;
    TrendView trend{state, graph};
    std::unique_ptr<ShowForm> form;
};

const QStringList k400Labels = {"400", "300", "200", "100", "-100", "-200", "-300", "-400"};

} // namespace

TEST_F(ShowFormTest, CreationPlacesElementsAndKeepsTheScale)
{
    EXPECT_EQ(form->geometry(), QRect(0, 40, 500, 600));
    EXPECT_EQ(form->Picture1->geometry(), QRect(40, 296, 409, 249));
    EXPECT_EQ(QSize(form->Picture1->scaleWidth(), form->Picture1->scaleHeight()), QSize(405, 245));

    const int label8Tops[8] = {4700, 5090, 5455, 5840, 6580, 6960, 7330, 7710};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(form->Label8[static_cast<std::size_t>(i)]->y(), twips::px(label8Tops[i])) << i;
    EXPECT_EQ(form->Label6->y(), twips::px(6200));

    for (int i : {0, 5, 7, 40}) {
        const QRect r = form->Lineshow[static_cast<std::size_t>(i)]->geometry();
        EXPECT_EQ(r.x(), twips::px(1080 + 120 * i));
        EXPECT_EQ(r.width(), 2);
        EXPECT_EQ(r.y(), twips::px(2520));
        const int bottom = i % 10 == 0 ? 2760 : i % 5 == 0 ? 2700 : 2640;
        EXPECT_EQ(r.y() + r.height(), twips::px(bottom)) << i;
    }

    EXPECT_EQ(form->Combo1->count(), 9);
    EXPECT_EQ(form->Combo1->itemText(0), "4000");
    EXPECT_EQ(form->Combo1->itemText(8), "10");
    EXPECT_EQ(form->Combo1->currentText(), "400");
    EXPECT_EQ(form->Combo1->currentIndex(), -1);
    EXPECT_EQ(state.gGraphScale, 400);
    EXPECT_EQ(labels8(), k400Labels);
    EXPECT_EQ(labels7(), (QStringList{"1", "50", "100"}));
    EXPECT_EQ(form->navButtons[2]->toolTip(), "last page");
    EXPECT_EQ(form->navButtons[4]->toolTip(), "last page");
}

TEST_F(ShowFormTest, VisibilityAtCreation)
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             form->Label5, form->Label1, form->rangelabel, form->Label10, form->TextMIN, form->Label11,
             form->TextMAX, form->Command1, form->Combo1, form->Picture1, form->Label6, form->Image1,
             form->Label14, form->Label15, form->labelline[4], form->Shapeline[3]})
        EXPECT_TRUE(shown(w)) << w->metaObject()->className();
    for (QWidget *w : std::initializer_list<QWidget *>{
             form->Label4, form->Label2, form->Label16, form->Label3, form->rellabel, form->holdlabel,
             form->Picture7, form->LineHH, form->Line1, form->Label12})
        EXPECT_FALSE(shown(w)) << w->metaObject()->className();
    EXPECT_EQ(litSegments(), 0);
}

TEST_F(ShowFormTest, DigitsFitTheirLabelInTheSubstituteFont)
{
    EXPECT_EQ(QFontInfo(form->Label4->font()).family(), "Liberation Sans");
    const QFontMetrics fm(form->Label4->font());
    for (const char *text : {".OL", "-123.45", "0.0000", "-4000.0"})
        EXPECT_LE(fm.horizontalAdvance(QString::fromLatin1(text)), form->Label4->width()) << text;
    // Only TRMS paints its back colour on the LCD panel.
    EXPECT_TRUE(form->Label16->autoFillBackground());
    EXPECT_FALSE(form->Label4->autoFillBackground());
    EXPECT_FALSE(form->Label2->autoFillBackground());
}

TEST_F(ShowFormTest, EmptyChartHasAxisGridAndTicksOnly)
{
    EXPECT_EQ(pixel(200, 123), QColor(Qt::black));
    int silverOnGrid = 0;
    for (int x = 0; x < 405; ++x)
        silverOnGrid += pixel(x, 23) == QColor(0xC0, 0xC0, 0xC0);
    EXPECT_GT(silverOnGrid, 100); // dotted: many dots,
    EXPECT_LT(silverOnGrid, 405); // but gaps between them
    EXPECT_EQ(pixel(4, 244), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(pixel(6, 244), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(redPixels(), 0);
}

TEST_F(ShowFormTest, ReadingsAreRedDotsJoinedByLines)
{
    fill(1, 100.0);
    EXPECT_EQ(pixel(4, 98), kRed);
    EXPECT_EQ(state.gPlotPoints[0].number, 1);
    EXPECT_EQ(state.gPlotPoints[0].y, 98);
    EXPECT_LT(redPixels(), 30); // one small disc

    state.append({0, -100.0, "VDC", "t", "mV", "-100.00"});
    paging::showNewest(state, 2);
    form->redrawChart();
    EXPECT_EQ(pixel(8, 148), kRed);
    EXPECT_EQ(pixel(6, 123), kRed); // the line crosses the zero line

    // Drawing without erasing keeps the trace; erasing first removes it.
    state.empty();
    form->Picture1_Paint();
    EXPECT_EQ(pixel(8, 148), kRed);
    form->redrawChart();
    EXPECT_EQ(redPixels(), 0);
}

TEST_F(ShowFormTest, BarGraphCases)
{
    struct Case
    {
        double fullScale, value;
        bool over;
        int lit;
        bool minus;
        QStringList numbers;
    };
    const Case cases[] = {
        {400, 0, false, 1, false, {"100", "200", "300", "400"}},
        {400, 400, false, 41, false, {"100", "200", "300", "400"}},
        {400, -200, false, 21, true, {"100", "200", "300", "400"}},
        {400, 5, false, 1, false, {"100", "200", "300", "400"}},
        {400, 15, false, 3, false, {"100", "200", "300", "400"}},
        {400, -400, true, 41, true, {"100", "200", "300", "400"}},
        {4, 2.7, false, 28, false, {"1", "2", "3", "4"}},
        {1000, 1100, false, 28, false, {"250", "500", "750", "1000"}}, // beyond the bar: unchanged
        {10, -2.5, false, 11, true, {"2.5", "5", "7.5", "10"}},
    };
    for (const Case &c : cases) {
        form->updateBarGraph(c.fullScale, c.value, c.over);
        EXPECT_EQ(litSegments(), c.lit) << c.value;
        if (c.lit < 41) {
            EXPECT_FALSE(shown(form->Lineshow[static_cast<std::size_t>(c.lit)]));
        }
        EXPECT_EQ(shown(form->LineHH), c.minus) << c.value;
        EXPECT_EQ((QStringList{form->labelline[1]->text(), form->labelline[2]->text(),
                               form->labelline[3]->text(), form->labelline[4]->text()}),
                  c.numbers);
        EXPECT_EQ(form->labelline[0]->text(), "0");
    }
    QLocale::setDefault(QLocale(QLocale::German));
    form->updateBarGraph(10, 1, false);
    EXPECT_EQ(form->labelline[1]->text(), "2,5");
}

TEST_F(ShowFormTest, PagingRelabelsRedrawsAndReachesTheGraphOnlyWhenShowing)
{
    graph.showing = true;
    for (ImageButton *b : form->navButtons) // empty store: nothing at all
        QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(graph.repaints, 0);
    EXPECT_EQ(state.gViewStart, 1);
    EXPECT_EQ(state.gViewCount, 0);
    graph.showing = false;

    fill(250);
    EXPECT_EQ(labels7(), (QStringList{"201", "250", "300"}));
    EXPECT_NE(pixel(400, 98), kRed);

    QTest::mouseClick(form->navButtons[1], Qt::LeftButton); // previous page
    EXPECT_EQ(state.gViewStart, 101);
    EXPECT_TRUE(state.gViewBrowsing);
    EXPECT_EQ(labels7(), (QStringList{"101", "150", "200"}));
    EXPECT_EQ(pixel(400, 98), kRed);
    EXPECT_TRUE(graph.xLabels.empty());

    graph.showing = true;
    form->Picture2_Click();
    ASSERT_EQ(graph.xLabels.size(), 1u);
    EXPECT_EQ(graph.xLabels[0][0], "1");
    EXPECT_EQ(graph.repaints, 1);
    form->Picture3_Click(); // no page before the first: nothing
    EXPECT_EQ(graph.repaints, 1);

    form->Picture5_Click();
    form->Picture5_Click();
    EXPECT_EQ(state.gViewStart, 201);
    EXPECT_EQ(state.gViewCount, 50);
    EXPECT_FALSE(state.gViewBrowsing);
    EXPECT_NE(pixel(400, 98), kRed);
    form->Picture2_Click();
    form->Picture6_Click();
    EXPECT_EQ(labels7(), (QStringList{"201", "250", "300"}));
    EXPECT_EQ(graph.repaints, 5);
}

TEST_F(ShowFormTest, NavigationFacesFollowThePointer)
{
    for (int i = 0; i < 5; ++i) {
        ImageButton *b = form->navButtons[static_cast<std::size_t>(i)];
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(b, &enter);
        EXPECT_EQ(b->pixmap().toImage(), pictures::navFace(i + 6).toImage()) << i;
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(b, &leave);
        EXPECT_EQ(b->pixmap().toImage(), pictures::navFace(i + 1).toImage()) << i;
    }
}

TEST_F(ShowFormTest, CursorReadOut)
{
    fill(2, 12.5);
    state.gRecords[1].data = ".OL";
    const QPoint origin = form->Picture1->origin();

    QMouseEvent move(QEvent::MouseMove, QPointF(origin + QPoint(4, 50)), QPointF(), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->Picture1, &move);
    EXPECT_TRUE(shown(form->Line1));
    EXPECT_TRUE(shown(form->Label12));
    EXPECT_EQ(form->Line1->x(), origin.x() + 4);
    EXPECT_EQ(form->Label12->pos(), origin + QPoint(7, 53));
    EXPECT_EQ(form->Label12->text(), "12.50mV");
    EXPECT_EQ(form->Label14->text(), "VDC");
    EXPECT_EQ(form->Label15->text(), "1/2/2024\\10:00:0");

    for (double x : {6.0, 10.0}) {
        form->Picture1_MouseMove(x, 10);
        EXPECT_EQ(form->Label12->text(), ".OL") << x; // slot 2, over range: no unit
    }
    form->Picture1_MouseMove(1, 10); // slot 0
    EXPECT_TRUE(shown(form->Label12));
    EXPECT_EQ(form->Label12->text(), "");
    EXPECT_EQ(form->Label14->text(), "");

    // Pushed back inside at the right and bottom edges.
    form->Picture1_MouseMove(405, 245);
    EXPECT_EQ(form->Label12->pos(),
              origin + QPoint(405 - form->Label12->width(), 245 - form->Label12->height()));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form->Picture1, &leave);
    EXPECT_FALSE(shown(form->Line1));
    EXPECT_FALSE(shown(form->Label12));
    EXPECT_EQ(form->Label15->text(), "");
}

TEST_F(ShowFormTest, CursorIgnoresStalePlotPoints)
{
    fill(3);
    state.gPlotPoints[1].number = 0;
    state.gPlotPoints[2].number = SharedState::kCapacity + 1;
    for (double x : {8.0, 12.0}) {
        form->Picture1_MouseMove(x, 10);
        EXPECT_EQ(form->Label14->text(), "") << x;
    }
    state.empty(); // the window and the plot points keep their old values
    form->Picture1_MouseMove(4, 10);
    EXPECT_EQ(form->Label12->text(), "");
}

TEST_F(ShowFormTest, ResetClearsReadOutsAndExtremes)
{
    form->TextMAX->setText("12.3");
    form->TextMIN->setText("-4.0");
    state.takeExtremes(12.3);
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    EXPECT_EQ(form->TextMAX->text(), "0");
    EXPECT_EQ(form->TextMIN->text(), "0");
    EXPECT_TRUE(SharedState::isUnsetMark(state.varmax));
    EXPECT_TRUE(SharedState::isUnsetMark(state.varmin));
}

TEST_F(ShowFormTest, ListChoiceAppliesTheScaleAndPropagatesWhenShowing)
{
    fill(1, 10.0);
    form->Combo1->setCurrentIndex(8);
    Q_EMIT form->Combo1->activated(8);
    EXPECT_EQ(state.gGraphScale, 10);
    EXPECT_EQ(labels8(), (QStringList{"10", "7.5", "5", "2.5", "-2.5", "-5", "-7.5", "-10"}));
    EXPECT_EQ(pixel(4, 23), kRed);
    EXPECT_TRUE(graph.scaleTexts.empty());

    graph.showing = true;
    form->Combo1->setCurrentIndex(0);
    Q_EMIT form->Combo1->activated(0);
    EXPECT_EQ(graph.scaleTexts, std::vector<QString>{"4000"});
    EXPECT_EQ(graph.scaleApplications, 1);
    form->Combo1_Clicktwo(); // without propagation
    EXPECT_EQ(graph.scaleApplications, 1);
}

TEST_F(ShowFormTest, TypedScaleTextChangesNothingByItself)
{
    form->show();
    QLineEdit *edit = form->Combo1->lineEdit();
    // Keys and focus changes arrive at the combo box (the edit box's focus
    // proxy), which hands them on; the edit box itself is covered as well.
    for (QWidget *target : {static_cast<QWidget *>(form->Combo1), static_cast<QWidget *>(edit)}) {
        SCOPED_TRACE(target->metaObject()->className());
        for (const char *typed : {"200", "100"}) {
            edit->selectAll();
            QTest::keyClicks(target, typed);
            QTest::keyClick(target, Qt::Key_Return);
            QFocusEvent focusOut(QEvent::FocusOut);
            QCoreApplication::sendEvent(target, &focusOut);
            EXPECT_EQ(form->Combo1->currentText(), typed);
            EXPECT_EQ(state.gGraphScale, 400);
            EXPECT_EQ(labels8(), k400Labels);
        }
    }

    // A real list choice afterwards still applies.
    form->Combo1->setCurrentIndex(5);
    Q_EMIT form->Combo1->activated(5);
    EXPECT_EQ(state.gGraphScale, 100);
}

TEST_F(ShowFormTest, StepButtonsWalkTheListAndStopAtItsEnds)
{
    graph.showing = true;
    for (const char *expected : {"200", "100", "40", "20", "10", "10"}) {
        form->Image2_Click();
        EXPECT_EQ(form->Combo1->currentText(), expected);
        EXPECT_EQ(state.gGraphScale, QString::fromLatin1(expected).toInt());
    }
    EXPECT_EQ(graph.scaleApplications, 5); // the last press did nothing at all
    for (const char *expected : {"20", "40", "100", "200", "400", "1000", "2000", "4000", "4000"}) {
        form->Image3_Click();
        EXPECT_EQ(form->Combo1->currentText(), expected);
    }
    EXPECT_EQ(graph.scaleApplications, 13);
    EXPECT_EQ(graph.scaleTexts.back(), "4000");

    // Text outside the list: this window falls back to 400; a showing graph
    // window takes the text's whole number, and applies it last.
    form->Combo1->setEditText("123");
    form->Image2_Click();
    EXPECT_EQ(form->Combo1->currentText(), "123");
    EXPECT_EQ(state.gGraphScale, 123);
    EXPECT_EQ(graph.scaleTexts.back(), "123");
    EXPECT_EQ(labels8(), k400Labels);
    graph.showing = false;
    form->Image2_Click();
    EXPECT_EQ(state.gGraphScale, 400);
    EXPECT_EQ(labels8(), k400Labels);
}

TEST_F(ShowFormTest, StepButtonsShowPressedFaces)
{
    QTest::mousePress(form->Image2, Qt::LeftButton);
    EXPECT_EQ(form->Image2->pixmap().toImage(), pictures::stepFace(3).toImage());
    QTest::mouseRelease(form->Image2, Qt::LeftButton);
    EXPECT_EQ(form->Image2->pixmap().toImage(), pictures::stepFace(2).toImage());
    EXPECT_EQ(form->Combo1->currentText(), "200"); // press and release over it: a click

    QTest::mousePress(form->Image3, Qt::LeftButton);
    EXPECT_EQ(form->Image3->pixmap().toImage(), pictures::stepFace(1).toImage());
    QTest::mouseRelease(form->Image3, Qt::LeftButton);
    EXPECT_EQ(form->Image3->pixmap().toImage(), pictures::stepFace(4).toImage());
    EXPECT_EQ(form->Combo1->currentText(), "400");
}

TEST_F(ShowFormTest, GraphButton)
{
    graph.canOpen = false;
    form->Combo1->setEditText("1000");
    form->Image1_Click();
    EXPECT_EQ(graph.shows, 0);
    EXPECT_EQ(state.gGraphScale, 400);

    graph.canOpen = true;
    form->Image1_Click();
    EXPECT_EQ(graph.shows, 1);
    EXPECT_EQ(graph.scaleTexts, std::vector<QString>{"1000"});
    EXPECT_EQ(state.gGraphScale, 1000);
    ASSERT_EQ(graph.yLabels.size(), 1u);
    const auto labels1000 = scales::graphLabels(1000);
    EXPECT_EQ(graph.yLabels[0], QStringList(labels1000.begin(), labels1000.end()));
    EXPECT_EQ(labels8(), k400Labels); // this window's labels stay

    // Text that is no whole number from 1 up is handed over but applied nowhere.
    for (const char *text : {"abc", "0", "-5", "", "1e12"}) {
        form->Combo1->setEditText(QString::fromLatin1(text));
        form->Image1_Click();
        EXPECT_EQ(graph.scaleTexts.back(), QString::fromLatin1(text));
        EXPECT_EQ(state.gGraphScale, 1000) << text;
        EXPECT_EQ(graph.yLabels.size(), 1u) << text;
    }
    EXPECT_EQ(labels8(), k400Labels);
}

TEST_F(ShowFormTest, OfflineAndOnlineLooks)
{
    form->Command1->setVisible(false); // the offline look leaves it as it is
    form->applyOfflineLook();
    EXPECT_TRUE(shown(form->Label5));
    for (QWidget *w : std::initializer_list<QWidget *>{
             form->Label2, form->rangelabel, form->Label1, form->Label16, form->Label3, form->Label4,
             form->LineHH, form->labelline[0], form->Shapeline[2], form->Command1})
        EXPECT_FALSE(shown(w));
    EXPECT_EQ(litSegments(), 0);
    EXPECT_TRUE(shown(form->TextMAX));

    form->applyOnlineLook();
    EXPECT_FALSE(shown(form->Label5));
    for (QWidget *w : std::initializer_list<QWidget *>{
             form->Label2, form->rangelabel, form->Label3, form->Label4, form->Label10, form->Label11,
             form->TextMAX, form->TextMIN, form->Label1, form->Label16, form->Command1, form->labelline[4],
             form->Shapeline[0]})
        EXPECT_TRUE(shown(w));
    EXPECT_EQ(litSegments(), 41);
    EXPECT_FALSE(shown(form->LineHH));
}
