#include "graph/graphform.h"

#include "display/scaletable.h"
#include "graph/chartpath.h"
#include "platform/chartsurface.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/twips.h"
#include "platform/uikit.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <optional>

namespace {

using uikit::bgr;
using uikit::makeLabel;
using uikit::sansSerif;

const QColor kWindowBack = bgr(12632256);    // 0xC0C0C0
const QColor kCursorBlue = bgr(16711680);    // 0xFF0000
const QColor kMenuBackground(240, 240, 240); // system colour 4
const QColor kWindowBackground = Qt::white;  // system colour 5

// The chart's drawing area inside its 2-pixel border.
constexpr QSize kDrawingArea(703, 492);
constexpr int kBorder = 2;

// A read-out label inside the chart: 13.5 pt bold, black text, single border.
QLabel *makeReadoutLabel(QWidget *chart, const QRect &geometry, QColor back)
{
    QLabel *label =
        makeLabel(chart, geometry, QStringLiteral("0000"), sansSerif(13.5, true), Qt::black, back);
    label->setFrameShape(QFrame::Box);
    label->setLineWidth(1);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setVisible(false);
    return label;
}

} // namespace

GraphForm::GraphForm(SharedState &state, TrendView &trend, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_state(state), m_trend(trend)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Graph"));
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kWindowBack);
    setPalette(palette);

    createElements();
    Form_Load();
    listenToTrendView();
    // Opened, the window's focus is on its first paging button, not in the scale box.
    imgbtnfirst->setFocus(Qt::OtherFocusReason);
}

GraphForm::~GraphForm() = default;

void GraphForm::createElements()
{
    createButtons();
    createChart();
    createAxisLabels();
}

void GraphForm::createButtons()
{
    Label8Caption =
        makeLabel(this, twips::rect(480, 240, 255, 255), QStringLiteral("Y:"), sansSerif(9.75, true));
    Label8[8] = Label8Caption;
    Combo1 = new ChoiceComboBox(this);
    Combo1->setGeometry(twips::rect(840, 195, 1095, 315));
    Combo1->setFont(sansSerif());
    Combo1->setEditText(QString::number(SharedState::kDefaultScale));
    connect(Combo1, &ChoiceComboBox::listChosen, this, &GraphForm::Combo1_Click);
    Combo1->setAccessibleName(QStringLiteral("full scale"));

    const QCursor hand = pictures::pointingHand();
    static const char *const kTips[5] = {"first page", "previous page", "last page", "next page",
                                         "last page"};
    constexpr int kLefts[5] = {2280, 3360, 4440, 5520, 6600};
    ImageButton **const slots[5] = {&imgbtnfirst, &imgbtnleft, &imgbtncenter, &imgbtnright, &imgbtnend};
    void (GraphForm::*const kClicks[5])() = {&GraphForm::imgbtnfirst_Click, &GraphForm::imgbtnleft_Click,
                                             &GraphForm::imgbtncenter_Click, &GraphForm::imgbtnright_Click,
                                             &GraphForm::imgbtnend_Click};
    for (int i = 0; i < 5; ++i) {
        auto *button = new ImageButton(this);
        button->setGeometry(twips::rect(kLefts[i], 195, 900, 315));
        button->setFace(pictures::navFace(i + 1));
        button->setToolTip(QString::fromLatin1(kTips[i]));
        button->setCursor(hand);
        // Pressed face while a mouse button is down on it, released face after.
        connect(button, &ImageButton::pressed, this,
                [button, i] { button->setFace(pictures::navFace(i + 6)); });
        connect(button, &ImageButton::released, this,
                [button, i] { button->setFace(pictures::navFace(i + 1)); });
        connect(button, &ImageButton::clicked, this, kClicks[i]);
        *slots[i] = button;
    }

    Command1 = new QPushButton(QStringLiteral("Print"), this);
    Command1->setGeometry(twips::rect(7680, 195, 1215, 315));
    Command1->setFont(sansSerif());
    connect(Command1, &QPushButton::clicked, this, &GraphForm::Command1_Click);

    auto makeStep = [this, &hand](int top, const QPixmap &face) {
        auto *button = new ImageButton(this);
        button->setScaledContents(false);
        button->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        button->setGeometry(twips::rect(11520, top, 630, 630));
        button->setFace(face);
        button->setCursor(hand);
        return button;
    };
    Image2 = makeStep(3600, pictures::stepFace(2));
    Image3 = makeStep(4440, pictures::stepFace(4));
    Image2->setAccessibleName(QStringLiteral("smaller full scale"));
    Image3->setAccessibleName(QStringLiteral("larger full scale"));
    connect(Image2, &ImageButton::pressed, this, [this] { Image2->setFace(pictures::stepFace(3)); });
    connect(Image2, &ImageButton::released, this, [this] { Image2->setFace(pictures::stepFace(2)); });
    connect(Image2, &ImageButton::clicked, this, &GraphForm::Image2_Click);
    connect(Image3, &ImageButton::pressed, this, [this] { Image3->setFace(pictures::stepFace(1)); });
    connect(Image3, &ImageButton::released, this, [this] { Image3->setFace(pictures::stepFace(4)); });
    connect(Image3, &ImageButton::clicked, this, &GraphForm::Image3_Click);
}

void GraphForm::createChart()
{
    Picture1 = new ChartSurface(kDrawingArea, kBorder, this);
    Picture1->move(twips::point(840, 600));
    Picture1->setFillColor(bgr(chart::kTraceRed));
    Picture1->setCursor(Qt::CrossCursor);
    connect(Picture1, &ChartSurface::pointerMoved, this,
            [this](QPointF p) { Picture1_MouseMove(p.x(), p.y()); });
    connect(Picture1, &ChartSurface::pointerLeft, this, [this] { Picture1_MouseMove(-1, -1); });

    // Elements inside the chart stand in its pixels, from the drawing area's corner.
    const QPoint origin = Picture1->origin();
    const int lineHeight = std::min(chart::Geometry::graph().cursorBottom, kDrawingArea.height());
    Line1 = uikit::makeCursorLine(Picture1, QRect(origin + QPoint(twips::px(6360), 0), QSize(1, lineHeight)),
                                  kCursorBlue);
    Label1 = makeReadoutLabel(Picture1, twips::rect(4320, 0, 3165, 390).translated(origin), kMenuBackground);
    Label2 =
        makeReadoutLabel(Picture1, twips::rect(4320, 2520, 1485, 390).translated(origin), kWindowBackground);
    Label3 = makeReadoutLabel(Picture1, twips::rect(4440, 7020, 3165, 390).translated(origin), Qt::white);
}

void GraphForm::createAxisLabels()
{
    const QFont axisFont = sansSerif(8.25, true);
    const std::array<QString, 17> design = scales::graphLabels(SharedState::kDefaultScale);
    for (int k = 0; k < 17; ++k) {
        if (k == 8)
            continue;
        const int top = k < 8 ? 975 + 405 * k : 4635 + 405 * (k - 9);
        Label8[static_cast<std::size_t>(k)] =
            makeLabel(this, twips::rect(120, top, 615, 255), design[static_cast<std::size_t>(k)], axisFont,
                      Qt::black, std::nullopt, Qt::AlignRight | Qt::AlignTop);
    }
    Label6 = makeLabel(this, twips::rect(600, 4230, 135, 255), QStringLiteral("0"), axisFont);
    numlabel1[0] = makeLabel(this, twips::rect(840, 8160, 855, 255), QStringLiteral("1"), axisFont);
    numlabel1[1] = makeLabel(this, twips::rect(5640, 8160, 855, 255), QStringLiteral("50"), axisFont,
                             Qt::black, std::nullopt, Qt::AlignHCenter | Qt::AlignTop);
    numlabel1[2] = makeLabel(this, twips::rect(10560, 8160, 855, 255), QStringLiteral("100"), axisFont,
                             Qt::black, std::nullopt, Qt::AlignRight | Qt::AlignTop);
}

// Creation: the list is filled in its order; the text stays "400", nothing
// is selected and no scale change runs.
void GraphForm::Form_Load()
{
    const QString text = Combo1->currentText();
    Combo1->addItems(scales::choices());
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(text);
    Picture1_Paint();
}

// The trend view's announcements for the graph chart.
void GraphForm::listenToTrendView()
{
    using Chart = TrendView::Chart;
    connect(&m_trend, &TrendView::pageShown, this, [this](Chart chart, const std::array<QString, 3> &labels) {
        if (chart == Chart::Graph)
            showPage(labels);
    });
    connect(&m_trend, &TrendView::redrawRequested, this, [this](Chart chart) {
        if (chart == Chart::Graph)
            redrawChart();
    });
    connect(&m_trend, &TrendView::scaleLabelsChanged, this,
            [this](Chart chart, const QStringList &labels, bool redraw) {
                if (chart != Chart::Graph)
                    return;
                setScaleLabels(labels);
                if (redraw)
                    redrawChart();
            });
    connect(&m_trend, &TrendView::scaleTextHandedOver, this, [this](Chart to, const QString &text) {
        if (to == Chart::Graph)
            setScaleText(text);
    });
}

std::array<ImageButton *, 5> GraphForm::pagingButtons() const
{
    return {imgbtnfirst, imgbtnleft, imgbtncenter, imgbtnright, imgbtnend};
}

// Showing the window paints its chart afresh, as an exposed surface is.
void GraphForm::showEvent(QShowEvent *event)
{
    redrawChart();
    QWidget::showEvent(event);
}

// ------------------------------------------------------------------- chart

void GraphForm::Picture1_Paint()
{
    chart::drawChart(*Picture1, chart::Geometry::graph(), m_state);
}

void GraphForm::redrawChart()
{
    Picture1->setBackColor(bgr(chart::kBackColor));
    Picture1_Paint();
}

void GraphForm::showPage(const std::array<QString, 3> &xLabels)
{
    for (std::size_t i = 0; i < xLabels.size(); ++i)
        numlabel1[i]->setText(xLabels[i]);
    redrawChart();
}

void GraphForm::setScaleLabels(const QStringList &labels)
{
    for (qsizetype k = 0; k < labels.size() && k < 17; ++k) {
        if (k != 8)
            Label8[static_cast<std::size_t>(k)]->setText(labels[k]);
    }
}

void GraphForm::setScaleText(const QString &text)
{
    const int index = Combo1->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        Combo1->setCurrentIndex(index);
    Combo1->setEditText(text);
}

// ------------------------------------------------------------------- scale

void GraphForm::Combo1_Clicktwo()
{
    m_trend.applyScale(TrendView::Chart::Graph, Combo1->currentText());
}

void GraphForm::Combo1_Click()
{
    m_trend.chooseScale(TrendView::Chart::Graph, Combo1->currentText());
}

void GraphForm::Image2_Click()
{
    const std::optional<QString> next = scales::smaller(Combo1->currentText());
    if (!next)
        return;
    setScaleText(*next);
    Combo1_Click();
}

void GraphForm::Image3_Click()
{
    const std::optional<QString> next = scales::larger(Combo1->currentText());
    if (!next)
        return;
    setScaleText(*next);
    Combo1_Click();
}

// ------------------------------------------------------------------ paging

void GraphForm::imgbtnfirst_Click()
{
    m_trend.firstPage(TrendView::Chart::Graph);
}
void GraphForm::imgbtnleft_Click()
{
    m_trend.previousPage(TrendView::Chart::Graph);
}
void GraphForm::imgbtncenter_Click()
{
    m_trend.newestPage(TrendView::Chart::Graph);
}
void GraphForm::imgbtnright_Click()
{
    m_trend.nextPage(TrendView::Chart::Graph);
}
void GraphForm::imgbtnend_Click()
{
    m_trend.newestPage(TrendView::Chart::Graph);
}

// ----------------------------------------------------------------- read-out

void GraphForm::Picture1_MouseMove(double x, double y)
{
    const QSize area = Picture1->drawingArea();
    const chart::CursorReadout readout =
        chart::readCursor(chart::Geometry::graph(), m_state, x, y, {area.width(), area.height()});
    if (!readout.inside) {
        Line1->setVisible(false);
        for (QLabel *label : {Label1, Label2, Label3}) {
            label->clear();
            label->setVisible(false);
        }
        return;
    }
    const chart::Geometry &g = chart::Geometry::graph();
    const QPoint origin = Picture1->origin();
    for (QWidget *w : {static_cast<QWidget *>(Line1), static_cast<QWidget *>(Label1),
                       static_cast<QWidget *>(Label2), static_cast<QWidget *>(Label3)})
        w->setVisible(true);
    // Label2 follows the pointer both ways; Label1 and Label3 only sideways.
    const int top2 = chart::pushInside(readout.pointer.y + g.boxOffsetY, Label2->height(), area.height());
    for (QLabel *label : {Label1, Label3, Label2}) {
        const int left = chart::pushInside(readout.pointer.x + g.boxOffsetX, label->width(), area.width());
        const int top = label == Label2 ? top2 : label->y() - origin.y();
        label->move(origin + QPoint(left, top));
    }
    Line1->move(origin + QPoint(readout.lineX, 0));
    Label2->setText(readout.valueText);
    Label1->setText(readout.functionText);
    Label3->setText(readout.timeText);
}

void GraphForm::Command1_Click()
{
    if (m_print)
        m_print(*this);
}

// ------------------------------------------------------------------- host

GraphWindowHost::GraphWindowHost(SharedState &state) : m_state(state) {}

GraphWindowHost::~GraphWindowHost()
{
    unload();
}

GraphForm &GraphWindowHost::instance()
{
    if (!m_window) {
        Q_ASSERT(m_trend);
        m_window = new GraphForm(m_state, *m_trend);
        if (m_print)
            m_window->setPrintHandler(m_print);
    }
    return *m_window;
}

bool GraphWindowHost::isShowing()
{
    if (!m_trend)
        return false;
    return instance().isVisible();
}

void GraphWindowHost::showWindow()
{
    if (!m_trend)
        return;
    GraphForm &w = instance();
    w.show();
    // Bring it to the front when it was already open behind the main window.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        w.raise();
        w.activateWindow();
    }
}

void GraphWindowHost::unload()
{
    delete m_window.data();
    m_window = nullptr;
}
