#include "display/showform.h"

#include "app/numeric.h"
#include "display/bargraph.h"
#include "display/chartgeometry.h"
#include "display/scaletable.h"
#include "graph/graphlink.h"
#include "graph/trendpaging.h"
#include "platform/chartsurface.h"
#include "platform/imagebutton.h"
#include "platform/pictures.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <optional>

namespace {

// Colours given as 0x00BBGGRR numbers.
QColor bgr(quint32 value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

const QColor kWindowText = Qt::black;       // system colour 8
const QColor kWindowBackground = Qt::white; // system colour 5
const QColor kYellow = bgr(65535);
const QColor kDarkRed = bgr(192);
const QColor kChartBack = bgr(14737632);
const QColor kGridSilver = bgr(12632256);
const QColor kTraceRed = bgr(255);
const QColor kCursorBlue = bgr(12582912);

// The window's design fonts and their substitutes on this platform.
QFont designFont(const QString &family, double points, bool bold = false)
{
    QString substitute = QStringLiteral("Liberation Sans"); // "MS Sans Serif", "Arial"
    if (family == QLatin1String("Franklin Gothic Book"))
        substitute = QStringLiteral("Liberation Sans Narrow");
    else if (family == QLatin1String("MS Serif"))
        substitute = QStringLiteral("Liberation Serif");
    QFont font(substitute);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont sansSerif(double points = 9.75, bool bold = false)
{
    return designFont(QStringLiteral("MS Sans Serif"), points, bold);
}

// A plain-text label at its twips geometry; no back colour unless given, so
// the panel under it shows through.
QLabel *makeLabel(QWidget *parent, const QRect &geometry, const QString &text, const QFont &font,
                  QColor fore = kWindowText, std::optional<QColor> back = std::nullopt)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, fore);
    if (back) {
        pal.setColor(QPalette::Window, *back);
        label->setAutoFillBackground(true);
    }
    label->setPalette(pal);
    return label;
}

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

// The chart's cursor: a vertical dotted line, 1 pixel wide.
class DottedVLine : public QWidget
{
public:
    DottedVLine(QColor color, QWidget *parent) : QWidget(parent), m_color(color) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(m_color, 1, Qt::DotLine, Qt::FlatCap));
        p.drawLine(0, 0, 0, height() - 1);
    }

private:
    QColor m_color;
};

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

ShowForm::ShowForm(SharedState &state, GraphWindowLink &graph, QWidget *parent)
    : QWidget(parent), m_state(state), m_graph(graph), m_background(pictures::showBackground())
{
    setWindowTitle(QStringLiteral("Form1"));
    createLcd();
    createBarGraph();
    createControls();
    createChart();
    createScaleButtons();
    Form_Load();
}

void ShowForm::createLcd()
{
    Label5 = makeLabel(this, twips::rect(960, 720, 5535, 1695), QStringLiteral("OFFLINE"),
                       designFont(QStringLiteral("Franklin Gothic Book"), 72, true), kDarkRed);
    Label4 = makeLabel(this, twips::rect(120, 840, 6615, 1455), QStringLiteral("0.0000"),
                       designFont(QStringLiteral("Arial"), 72));
    Label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label4->setVisible(false);
    Label2 = makeLabel(this, twips::rect(0, 360, 4455, 255), QString(), sansSerif(), kYellow);
    Label2->setVisible(false);
    Label1 = makeLabel(this, twips::rect(1440, 765, 855, 255), QString(), sansSerif());
    Label16 = makeLabel(this, twips::rect(2400, 765, 585, 240), QStringLiteral("TRMS"), sansSerif(),
                        Qt::white, kWindowText);
    Label16->setVisible(false);
    Label3 = makeLabel(this, twips::rect(4200, 765, 1335, 255), QStringLiteral("UNIT"), sansSerif());
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

    Label8[8] =
        makeLabel(this, twips::rect(240, 3960, 255, 255), QStringLiteral("Y:"), sansSerif(9.75, true));
    Combo1 = new QComboBox(this);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    Combo1->setGeometry(twips::rect(600, 3960, 1095, 315));
    Combo1->setFont(sansSerif());
    Combo1->setEditText(QStringLiteral("400"));
    // Keys and focus changes reach the combo box (its edit box's focus proxy),
    // which hands them on to the edit box directly: watch both.
    Combo1->installEventFilter(this);
    Combo1->lineEdit()->installEventFilter(this);
    connect(Combo1, &QComboBox::activated, this, &ShowForm::onComboActivated);

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
    Picture1->setFillColor(kTraceRed);
    connect(Picture1, &ChartSurface::pointerMoved, this,
            [this](QPointF p) { Picture1_MouseMove(p.x(), p.y()); });
    connect(Picture1, &ChartSurface::pointerLeft, this, [this] { Picture1_MouseMove(-1, -1); });

    // The cursor runs from y = 0 to 248, clipped to the drawing area.
    Line1 = new DottedVLine(kCursorBlue, Picture1);
    Line1->setGeometry(QRect(Picture1->origin() + QPoint(twips::px(4080), 0),
                             QSize(1, std::min(chart::display::kCursorBottom + 1, Picture1->scaleHeight()))));
    Line1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Line1->setVisible(false);
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
    using namespace chart::display;
    ChartSurface &s = *Picture1;
    s.drawLine({0, kZeroY}, {kLineEnd, kZeroY}, Qt::black);
    for (int y : kGridRows)
        s.drawLine({0, y}, {kLineEnd, y}, kGridSilver, true);
    // The ticks keep the grid's colour, drawn solid.
    for (int k = 1; k <= SharedState::kPageSize; ++k)
        s.drawLine({kSlotWidth * k, kTickTop}, {kSlotWidth * k, kTickBottom}, kGridSilver);
    if (m_state.gRecordCount == 0)
        return;

    const int count = chart::fillPlotPoints(m_state, kSlotWidth, &pointY);
    auto point = [this](int slot) {
        const PlotPoint &p = m_state.gPlotPoints[static_cast<std::size_t>(slot - 1)];
        return QPoint(p.x, p.y);
    };
    constexpr int kRadius = 2;
    if (count == 1)
        s.drawFilledCircle(point(1), kRadius, kTraceRed);
    for (int k = 2; k <= count; ++k) {
        s.drawLine(point(k), point(k - 1), kTraceRed);
        s.drawFilledCircle(point(k), kRadius, kTraceRed);
        s.drawFilledCircle(point(k - 1), kRadius, kTraceRed);
    }
}

void ShowForm::redrawChart()
{
    Picture1->setBackColor(kChartBack);
    Picture1_Paint();
}

void ShowForm::setXAxisLabels()
{
    const std::array<QString, 3> labels = paging::xAxisLabels(m_state);
    for (std::size_t i = 0; i < labels.size(); ++i)
        Label7[i]->setText(labels[i]);
}

void ShowForm::pageRefresh()
{
    setXAxisLabels();
    redrawChart();
    if (m_graph.isShowing()) {
        m_graph.setXLabels(paging::xAxisLabels(m_state));
        m_graph.repaintChart();
    }
}

void ShowForm::runPaging(bool (*step)(SharedState &))
{
    if (step(m_state))
        pageRefresh();
}

void ShowForm::Picture2_Click()
{
    runPaging(&paging::firstPage);
}
void ShowForm::Picture3_Click()
{
    runPaging(&paging::previousPage);
}
void ShowForm::Picture4_Click()
{
    runPaging(&paging::newestPage);
}
void ShowForm::Picture5_Click()
{
    runPaging(&paging::nextPage);
}
void ShowForm::Picture6_Click()
{
    runPaging(&paging::newestPage);
}

void ShowForm::Picture1_MouseMove(double x, double y)
{
    const int width = Picture1->scaleWidth();
    const int height = Picture1->scaleHeight();
    if (!(x >= 0 && x <= width && y >= 0 && y <= height)) {
        Line1->setVisible(false);
        Label12->clear();
        Label14->clear();
        Label15->clear();
        Label12->setVisible(false);
        return;
    }

    Line1->setVisible(true);
    Label12->setVisible(true);
    const int px = roundHalfEven(x);
    const int py = roundHalfEven(y);
    int left = px + 3;
    int top = py + 3;
    if (left + Label12->width() > width)
        left = width - Label12->width();
    if (top + Label12->height() > height)
        top = height - Label12->height();
    Label12->move(Picture1->origin() + QPoint(left, top));
    Line1->move(Picture1->origin() + QPoint(px, 0));

    // A slot of the trend window whose plot point names a record in the store.
    // After the store is emptied the plot points are stale: nothing is shown.
    const std::int32_t k = chart::display::cursorSlot(x);
    const MeasurementRecord *record = nullptr;
    if (k >= 1 && k <= m_state.gViewCount && k <= SharedState::kPageSize) {
        const std::int32_t n = m_state.gPlotPoints[static_cast<std::size_t>(k - 1)].number;
        if (n >= 1 && n <= m_state.gRecordCount)
            record = &m_state.gRecords[static_cast<std::size_t>(n - 1)];
    }
    if (!record) {
        Label12->clear();
        Label14->clear();
        Label15->clear();
        return;
    }
    const bool overRange = record->data == QLatin1String(".OL");
    Label12->setText(overRange ? record->data : record->data + record->unit);
    Label14->setText(record->function);
    Label15->setText(record->time);
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

void ShowForm::Combo1_Clicktwo()
{
    const scales::ScaleRow row = scales::lookup(Combo1->currentText());
    m_state.gGraphScale = row.scale;
    for (std::size_t i = 0; i < row.displayLabels.size(); ++i)
        Label8[i]->setText(row.displayLabels[i]);
    redrawChart();
}

void ShowForm::Combo1_Click()
{
    Combo1_Clicktwo();
    if (m_graph.isShowing()) {
        m_graph.setScaleText(Combo1->currentText());
        m_graph.applyScaleWithoutPropagation();
    }
}

void ShowForm::onComboActivated()
{
    if (!m_typedCommit)
        Combo1_Click();
}

bool ShowForm::eventFilter(QObject *watched, QEvent *event)
{
    if (Combo1 && (watched == Combo1 || watched == Combo1->lineEdit()) && !m_typedCommit) {
        bool commit = event->type() == QEvent::FocusOut;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            commit = key == Qt::Key_Return || key == Qt::Key_Enter;
        }
        if (commit) {
            // Deliver the event with the flag set, so that the combo box's
            // reaction to the committed text is not taken for a list choice.
            m_typedCommit = true;
            QCoreApplication::sendEvent(watched, event);
            m_typedCommit = false;
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
    if (!m_graph.available())
        return;
    m_graph.showWindow();
    const QString text = Combo1->currentText();
    m_graph.setScaleText(text);
    // Text that is no positive number takes the scale change's fallback, 400.
    const std::int32_t c = scales::toWholeScale(text).value_or(400);
    m_state.gGraphScale = c;
    m_graph.setYLabels(scales::graphLabels(c));
}
