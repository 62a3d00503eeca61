#include "display/showform.h"

#include "display/bargraph.h"
#include "display/scaletable.h"
#include "graph/chartpath.h"
#include "link/reading.h"
#include "link/recordassembler.h"
#include "platform/chartsurface.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/twips.h"
#include "platform/uikit.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include <optional>

namespace {

using uikit::bgr;
using uikit::designFont;
using uikit::makeLabel;
using uikit::sansSerif;

const QColor kWindowText = Qt::black;       // system colour 8
const QColor kWindowBackground = Qt::white; // system colour 5
const QColor kYellow = bgr(65535);
const QColor kDarkRed = bgr(192);
const QColor kCursorBlue = bgr(12582912);

// A solid bar in the window-text colour (bar segments, minus sign).
QWidget *makeBar(QWidget *parent, const QRect &geometry)
{
    auto *bar = new QWidget(parent);
    bar->setGeometry(geometry);
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, kWindowText);
    bar->setPalette(pal);
    return bar;
}

// Bar segment i: 120 twips apart from x = 1080; long ticks every tenth,
// medium ticks every fifth segment.
QRect segmentGeometry(int i)
{
    constexpr int kTop = 2520;
    const int bottom = i % 10 == 0 ? 2760 : (i % 5 == 0 ? 2700 : 2640);
    const int x = twips::px(1080 + 120 * i);
    return {x, twips::px(kTop), 2, twips::px(bottom) - twips::px(kTop)};
}

constexpr int kLabel8DesignTops[8] = {4680, 5040, 5400, 5760, 6480, 6840, 7200, 7680};
constexpr int kLabel8Moves[8] = {20, 50, 55, 80, 100, 120, 130, 30};
constexpr int kLabel6DesignTop = 6120;
constexpr int kLabel6Move = 80;

} // namespace

ShowForm::ShowForm(SharedState &state, TrendView &trend, QWidget *parent)
    : QWidget(parent), m_state(state), m_trend(trend), m_background(pictures::showBackground())
{
    setWindowTitle(QStringLiteral("Form1"));
    // The background picture covers the whole window: nothing under it is painted.
    setAttribute(Qt::WA_OpaquePaintEvent);
    createLcd();
    createBarGraph();
    createControls();
    createChart();
    createScaleButtons();
    Form_Load();
    listenToTrendView();
}

// The trend view's announcements for the display chart.
void ShowForm::listenToTrendView()
{
    using Chart = TrendView::Chart;
    connect(&m_trend, &TrendView::pageShown, this, [this](Chart chart, const std::array<QString, 3> &labels) {
        if (chart == Chart::Display)
            showPage(labels);
    });
    connect(&m_trend, &TrendView::redrawRequested, this, [this](Chart chart) {
        if (chart == Chart::Display)
            redrawChart();
    });
    connect(&m_trend, &TrendView::scaleLabelsChanged, this,
            [this](Chart chart, const QStringList &labels, bool redraw) {
                if (chart != Chart::Display)
                    return;
                setScaleLabels(labels);
                if (redraw)
                    redrawChart();
            });
    connect(&m_trend, &TrendView::scaleTextHandedOver, this, [this](Chart to, const QString &text) {
        if (to == Chart::Display)
            setScaleText(text);
    });
}

void ShowForm::createLcd()
{
    Label5 = makeLabel(this, twips::rect(960, 720, 5535, 1695), QStringLiteral("OFFLINE"),
                       designFont(QStringLiteral("Franklin Gothic Book"), 72, true), kDarkRed);
    Label4 = makeLabel(this, twips::rect(120, 840, 6615, 1455), QStringLiteral("0.0000"),
                       designFont(QStringLiteral("Arial"), 72));
    Label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label4->setVisible(false);
    // The digits change with every reading: they paint the picture under
    // them themselves (see eventFilter) instead of having the window repaint
    // it. The only element under them, "OFFLINE", is never shown with them.
    Label4->setAttribute(Qt::WA_OpaquePaintEvent);
    Label4->installEventFilter(this);
    Label2 = makeLabel(this, twips::rect(0, 360, 4455, 255), QString(), sansSerif(), kYellow);
    Label2->setVisible(false);
    Label1 = makeLabel(this, twips::rect(1440, 765, 855, 255), QString(), sansSerif());
    Label16 = makeLabel(this, twips::rect(2400, 765, 585, 240), QStringLiteral("TRMS"), sansSerif(),
                        Qt::white, kWindowText);
    Label16->setVisible(false);
    Label3 = makeLabel(this, twips::rect(4200, 765, 1335, 255), RecordAssembler::kUnitStartText, sansSerif());
    Label3->setVisible(false);
    rellabel = makeLabel(this, twips::rect(840, 1200, 375, 375), QString(QChar(0x0394)),
                         designFont(QStringLiteral("Arial"), 14.25, true));
    rellabel->setVisible(false);
    holdlabel = makeLabel(this, twips::rect(3600, 2280, 735, 255), QStringLiteral("HOLD"), sansSerif());
    holdlabel->setVisible(false);
    Picture7 = new QLabel(this);
    Picture7->setGeometry(twips::rect(6840, 2280, 495, 255));
    Picture7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture7->setPixmap(pictures::diodeSymbol());
    Picture7->setVisible(false);
    rangelabel = makeLabel(this, twips::rect(0, 3120, 3375, 255), QString(), sansSerif(), kYellow);
}

void ShowForm::createBarGraph()
{
    for (int i = 0; i < kBarSegments; ++i) {
        Lineshow[static_cast<std::size_t>(i)] = makeBar(this, segmentGeometry(i));
        Lineshow[static_cast<std::size_t>(i)]->setVisible(false);
    }
    constexpr int kNumberLefts[5] = {1035, 2220, 3420, 4605, 5805};
    for (int i = 0; i < 5; ++i) {
        auto *label = makeLabel(this, QRect(twips::point(kNumberLefts[i], 2880), QSize()),
                                QString::number(10 * i), sansSerif());
        label->adjustSize();
        labelline[static_cast<std::size_t>(i)] = label;
    }
    constexpr int kMarkLefts[4] = {1665, 2865, 4065, 5265};
    for (int i = 0; i < 4; ++i) {
        auto *mark = new QFrame(this);
        mark->setFrameStyle(QFrame::Box | QFrame::Plain);
        mark->setLineWidth(1);
        QPalette pal = mark->palette();
        pal.setColor(QPalette::WindowText, kWindowText);
        mark->setPalette(pal);
        mark->setGeometry(twips::rect(kMarkLefts[i], 2880, 60, 255));
        Shapeline[static_cast<std::size_t>(i)] = mark;
    }
    // From (720, 2580) to (960, 2580), 2 pixels thick.
    LineHH = makeBar(this, QRect(twips::px(720), twips::px(2580) - 1, twips::px(960) - twips::px(720), 2));
    LineHH->setVisible(false);
}

void ShowForm::createControls()
{
    Label10 = makeLabel(this, twips::rect(480, 3645, 405, 240), QStringLiteral("MIN:"), sansSerif(),
                        kWindowText, kWindowBackground);
    TextMIN = new QLineEdit(QStringLiteral("0"), this);
    TextMIN->setGeometry(twips::rect(960, 3600, 1695, 285));
    TextMIN->setFont(sansSerif());
    Label11 = makeLabel(this, twips::rect(2760, 3645, 465, 240), QStringLiteral("MAX:"), sansSerif(),
                        kWindowText, kWindowBackground);
    TextMAX = new QLineEdit(QStringLiteral("0"), this);
    TextMAX->setGeometry(twips::rect(3240, 3600, 1695, 285));
    TextMAX->setFont(sansSerif());
    Command1 = new QPushButton(QStringLiteral("RESET"), this);
    Command1->setGeometry(twips::rect(5040, 3600, 975, 300));
    Command1->setFont(designFont(QStringLiteral("MS Serif"), 9.75));
    connect(Command1, &QPushButton::clicked, this, &ShowForm::Command1_Click);
    TextMIN->setAccessibleName(QStringLiteral("MIN"));
    TextMAX->setAccessibleName(QStringLiteral("MAX"));

    Label8[8] =
        makeLabel(this, twips::rect(240, 3960, 255, 255), QStringLiteral("Y:"), sansSerif(9.75, true));
    Combo1 = new ChoiceComboBox(this);
    Combo1->setGeometry(twips::rect(600, 3960, 1095, 315));
    Combo1->setFont(sansSerif());
    Combo1->setEditText(QString::number(SharedState::kDefaultScale));
    connect(Combo1, &ChoiceComboBox::listChosen, this, &ShowForm::Combo1_Click);
    Combo1->setAccessibleName(QStringLiteral("full scale"));

    static const char *const kTips[5] = {"first page", "previous page", "last page", "next page",
                                         "last page"};
    constexpr int kLefts[5] = {1800, 2760, 3720, 4680, 5640};
    void (ShowForm::*const kClicks[5])() = {&ShowForm::Picture2_Click, &ShowForm::Picture3_Click,
                                            &ShowForm::Picture4_Click, &ShowForm::Picture5_Click,
                                            &ShowForm::Picture6_Click};
    const QCursor hand = pictures::pointingHand();
    for (int i = 0; i < 5; ++i) {
        auto *button = new ImageButton(this);
        button->setGeometry(twips::rect(kLefts[i], 3960, 900, 315));
        button->setFace(pictures::navFace(i + 1));
        button->setToolTip(QString::fromLatin1(kTips[i]));
        button->setCursor(hand);
        connect(button, &ImageButton::entered, this,
                [button, i] { button->setFace(pictures::navFace(i + 6)); });
        connect(button, &ImageButton::left, this, [button, i] { button->setFace(pictures::navFace(i + 1)); });
        connect(button, &ImageButton::clicked, this, kClicks[i]);
        navButtons[static_cast<std::size_t>(i)] = button;
    }
}

void ShowForm::createChart()
{
    // A 2-pixel sunken border around a 405 x 245 drawing area: 409 x 249 outside.
    Picture1 = new ChartSurface(QSize(405, 245), 2, this);
    Picture1->move(twips::point(600, 4440));
    Picture1->setFillColor(bgr(chart::kTraceRed));
    connect(Picture1, &ChartSurface::pointerMoved, this,
            [this](QPointF p) { Picture1_MouseMove(p.x(), p.y()); });
    connect(Picture1, &ChartSurface::pointerLeft, this, [this] { Picture1_MouseMove(-1, -1); });

    // The cursor runs from y = 0 to 248, clipped to the drawing area.
    Line1 = uikit::makeCursorLine(
        Picture1,
        QRect(Picture1->origin() + QPoint(twips::px(4080), 0),
              QSize(1, std::min(chart::Geometry::display().cursorBottom + 1, Picture1->scaleHeight()))),
        kCursorBlue);
    const QRect box = twips::rect(480, 1440, 1485, 390);
    Label12 = makeLabel(Picture1, box.translated(Picture1->origin()), QStringLiteral("0000"), sansSerif(13.5),
                        kWindowText, kWindowBackground);
    Label12->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label12->setVisible(false);

    const QFont axisFont = sansSerif(8.25, true);
    const QStringList designValues = {QStringLiteral("400"),  QStringLiteral("300"),  QStringLiteral("200"),
                                      QStringLiteral("100"),  QStringLiteral("-100"), QStringLiteral("-200"),
                                      QStringLiteral("-300"), QStringLiteral("-400")};
    for (int i = 0; i < 8; ++i) {
        auto *label =
            makeLabel(this, twips::rect(0, kLabel8DesignTops[i], 615, 255), designValues[i], axisFont);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        Label8[static_cast<std::size_t>(i)] = label;
    }
    Label6 = makeLabel(this, twips::rect(360, kLabel6DesignTop, 135, 255), QStringLiteral("0"), axisFont);
    Label7[0] = makeLabel(this, twips::rect(600, 8160, 855, 255), QStringLiteral("1"), axisFont);
    Label7[1] = makeLabel(this, twips::rect(3600, 8160, 855, 255), QStringLiteral("50"), axisFont);
    Label7[2] = makeLabel(this, twips::rect(6000, 8160, 735, 255), QStringLiteral("100"), axisFont);
    Label7[2]->setAlignment(Qt::AlignRight | Qt::AlignTop);

    Label9 = makeLabel(this, twips::rect(480, 8400, 615, 255), QStringLiteral("FUN:"), sansSerif());
    Label14 = makeLabel(this, twips::rect(1080, 8400, 3135, 255), QString(), sansSerif());
    Label13 = makeLabel(this, twips::rect(3960, 8400, 735, 255), QStringLiteral("TIME:"), sansSerif());
    Label15 = makeLabel(this, twips::rect(4560, 8400, 2775, 255), QString(), sansSerif());
}

void ShowForm::createScaleButtons()
{
    const QCursor hand = pictures::pointingHand();
    auto makeButton = [this, &hand](int top, const QPixmap &face) {
        auto *button = new ImageButton(this);
        button->setScaledContents(false);
        button->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        button->setGeometry(twips::rect(6780, top, 630, 630));
        button->setFace(face);
        button->setCursor(hand);
        return button;
    };
    Image1 = makeButton(5040, pictures::magnifier());
    Image2 = makeButton(5760, pictures::stepFace(2));
    Image3 = makeButton(6480, pictures::stepFace(4));
    Image1->setAccessibleName(QStringLiteral("open the graph window"));
    Image2->setAccessibleName(QStringLiteral("smaller full scale"));
    Image3->setAccessibleName(QStringLiteral("larger full scale"));
    connect(Image1, &ImageButton::clicked, this, &ShowForm::Image1_Click);
    connect(Image2, &ImageButton::pressed, this, &ShowForm::Image2_MouseDown);
    connect(Image2, &ImageButton::released, this, &ShowForm::Image2_MouseUp);
    connect(Image2, &ImageButton::clicked, this, &ShowForm::Image2_Click);
    connect(Image3, &ImageButton::pressed, this, &ShowForm::Image3_MouseDown);
    connect(Image3, &ImageButton::released, this, &ShowForm::Image3_MouseUp);
    connect(Image3, &ImageButton::clicked, this, &ShowForm::Image3_Click);
}

void ShowForm::Form_Load()
{
    move(0, 40);
    setFixedSize(500, 600);
    Picture1_Paint();
    Label6->move(Label6->x(), twips::px(kLabel6DesignTop + kLabel6Move));
    for (int i = 0; i < 8; ++i) {
        QLabel *label = Label8[static_cast<std::size_t>(i)];
        label->move(label->x(), twips::px(kLabel8DesignTops[i] + kLabel8Moves[i]));
    }
    // Filling an editable combo box selects its first entry: clear the
    // selection and keep the design text.
    const QString text = Combo1->currentText();
    Combo1->addItems(scales::choices());
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(text);
}

void ShowForm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}

// The digits' background: their part of the window's picture, painted
// before the label draws its text.
bool ShowForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label4 && event->type() == QEvent::Paint) {
        const QRect area = static_cast<QPaintEvent *>(event)->rect();
        QPainter p(Label4);
        p.drawPixmap(area, m_background, area.translated(Label4->pos()));
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- bar graph

void ShowForm::updateBarGraph(double fullScale, double value, bool overRange)
{
    const BarUpdate update = computeBarUpdate(fullScale, value, overRange, QLocale());
    for (std::size_t i = 0; i < update.scaleLabels.size(); ++i) {
        labelline[i + 1]->setText(update.scaleLabels[i]);
        labelline[i + 1]->adjustSize();
    }
    LineHH->setVisible(update.minusShown);
    if (update.litThrough) {
        for (int i = 0; i < kBarSegments; ++i)
            Lineshow[static_cast<std::size_t>(i)]->setVisible(i <= *update.litThrough);
    }
}

// ----------------------------------------------------------------- reading

void ShowForm::showReading(const Reading &r)
{
    // Annunciators; the diode symbol only in diode mode.
    holdlabel->setVisible(r.hold);
    rellabel->setVisible(r.rel);
    Picture7->setVisible(false);
    // Captions the reading sets; unset ones stay as they are.
    if (r.functionCaption)
        Label2->setText(*r.functionCaption);
    if (r.couplingCaption)
        Label1->setText(*r.couplingCaption);
    if (r.trmsShown)
        Label16->setVisible(*r.trmsShown);
    if (r.rangeCaption)
        rangelabel->setText(*r.rangeCaption);
    if (r.diodeSymbolShown)
        Picture7->setVisible(true);
    if (r.unitCaption)
        Label3->setText(*r.unitCaption);
    Label4->setText(r.displayText);
}

void ShowForm::showExtremes(SharedState::ExtremesChange change, const QString &text)
{
    if (change.maxChanged)
        TextMAX->setText(text);
    if (change.minChanged)
        TextMIN->setText(text);
}

// ------------------------------------------------------------------- looks

void ShowForm::applyOfflineLook()
{
    Label5->setVisible(true);
    for (QWidget *w :
         std::initializer_list<QWidget *>{Label2, rangelabel, Label1, Label16, Label3, Label4, LineHH})
        w->setVisible(false);
    setBarScaleVisible(false);
}

void ShowForm::applyOnlineLook()
{
    Label5->setVisible(false);
    for (QWidget *w : std::initializer_list<QWidget *>{Label2, rangelabel, Label3, Label4, Label10, Label11,
                                                       TextMAX, TextMIN, Label1, Label16, Command1})
        w->setVisible(true);
    setBarScaleVisible(true);
}

void ShowForm::setBarScaleVisible(bool visible)
{
    for (QLabel *w : labelline)
        w->setVisible(visible);
    for (QWidget *w : Shapeline)
        w->setVisible(visible);
    for (QWidget *w : Lineshow)
        w->setVisible(visible);
}

// ------------------------------------------------------------------- chart

void ShowForm::Picture1_Paint()
{
    chart::drawChart(*Picture1, chart::Geometry::display(), m_state);
}

void ShowForm::redrawChart()
{
    Picture1->setBackColor(bgr(chart::kBackColor));
    Picture1_Paint();
}

void ShowForm::showPage(const std::array<QString, 3> &xLabels)
{
    for (std::size_t i = 0; i < xLabels.size(); ++i)
        Label7[i]->setText(xLabels[i]);
    redrawChart();
}

void ShowForm::Picture2_Click()
{
    m_trend.firstPage(TrendView::Chart::Display);
}
void ShowForm::Picture3_Click()
{
    m_trend.previousPage(TrendView::Chart::Display);
}
void ShowForm::Picture4_Click()
{
    m_trend.newestPage(TrendView::Chart::Display);
}
void ShowForm::Picture5_Click()
{
    m_trend.nextPage(TrendView::Chart::Display);
}
void ShowForm::Picture6_Click()
{
    m_trend.newestPage(TrendView::Chart::Display);
}

void ShowForm::Picture1_MouseMove(double x, double y)
{
    const QSize area = Picture1->drawingArea();
    const chart::CursorReadout readout =
        chart::readCursor(chart::Geometry::display(), m_state, x, y, {area.width(), area.height()});
    if (!readout.inside) {
        Line1->setVisible(false);
        Label12->clear();
        Label14->clear();
        Label15->clear();
        Label12->setVisible(false);
        return;
    }
    const chart::Geometry &g = chart::Geometry::display();
    Line1->setVisible(true);
    Label12->setVisible(true);
    const int left = chart::pushInside(readout.pointer.x + g.boxOffsetX, Label12->width(), area.width());
    const int top = chart::pushInside(readout.pointer.y + g.boxOffsetY, Label12->height(), area.height());
    Label12->move(Picture1->origin() + QPoint(left, top));
    Line1->move(Picture1->origin() + QPoint(readout.lineX, 0));
    Label12->setText(readout.valueText);
    Label14->setText(readout.functionText);
    Label15->setText(readout.timeText);
}

// ------------------------------------------------------- MAX/MIN and scale

void ShowForm::Command1_Click()
{
    TextMAX->setText(QStringLiteral("0"));
    TextMIN->setText(QStringLiteral("0"));
    m_state.resetExtremes();
}

void ShowForm::setScaleText(const QString &text)
{
    const int index = Combo1->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        Combo1->setCurrentIndex(index);
    Combo1->setEditText(text);
}

void ShowForm::setScaleLabels(const QStringList &labels)
{
    for (qsizetype i = 0; i < labels.size() && i < 8; ++i)
        Label8[static_cast<std::size_t>(i)]->setText(labels[i]);
}

void ShowForm::Combo1_Clicktwo()
{
    m_trend.applyScale(TrendView::Chart::Display, Combo1->currentText());
}

void ShowForm::Combo1_Click()
{
    m_trend.chooseScale(TrendView::Chart::Display, Combo1->currentText());
}

void ShowForm::Image2_Click()
{
    const std::optional<QString> next = scales::smaller(Combo1->currentText());
    if (!next)
        return;
    setScaleText(*next);
    Combo1_Click();
}

void ShowForm::Image3_Click()
{
    const std::optional<QString> next = scales::larger(Combo1->currentText());
    if (!next)
        return;
    setScaleText(*next);
    Combo1_Click();
}

void ShowForm::Image2_MouseDown()
{
    Image2->setFace(pictures::stepFace(3));
}
void ShowForm::Image2_MouseUp()
{
    Image2->setFace(pictures::stepFace(2));
}
void ShowForm::Image3_MouseDown()
{
    Image3->setFace(pictures::stepFace(1));
}
void ShowForm::Image3_MouseUp()
{
    Image3->setFace(pictures::stepFace(4));
}

void ShowForm::Image1_Click()
{
    m_trend.openGraph(Combo1->currentText());
}
