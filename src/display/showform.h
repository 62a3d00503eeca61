#pragma once

#include "app/sharedstate.h"
#include "graph/trendview.h"

#include <QPixmap>
#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class ChartSurface;
class ChoiceComboBox;
class ImageButton;
struct Reading;

// The virtual meter: LCD captions and digits, annunciators, the 41-segment
// bar, MAX/MIN read-outs, the scale selector and the small trend chart with
// its navigation buttons and cursor read-out. A 500 x 600 borderless child of
// the main window. Elements keep their design names. Paging and the scale go
// through the trend view; the main window routes the trend view's
// announcements for the display chart here.
class ShowForm : public QWidget
{
    Q_OBJECT
public:
    ShowForm(SharedState &state, TrendView &trend, QWidget *parent = nullptr);

    // LCD panel.
    QLabel *Label5 = nullptr;     // "OFFLINE"
    QLabel *Label4 = nullptr;     // main digits
    QLabel *Label2 = nullptr;     // function caption (copied into records)
    QLabel *Label1 = nullptr;     // coupling
    QLabel *Label16 = nullptr;    // "TRMS"
    QLabel *Label3 = nullptr;     // unit caption (copied into records)
    QLabel *rellabel = nullptr;   // relative-mode annunciator
    QLabel *holdlabel = nullptr;  // "HOLD"
    QLabel *Picture7 = nullptr;   // diode symbol
    QLabel *rangelabel = nullptr; // range caption

    // Bar graph.
    std::array<QWidget *, 41> Lineshow{};
    std::array<QLabel *, 5> labelline{};
    std::array<QWidget *, 4> Shapeline{};
    QWidget *LineHH = nullptr; // minus sign

    // MAX/MIN and scale controls.
    QLabel *Label10 = nullptr;
    QLineEdit *TextMIN = nullptr;
    QLabel *Label11 = nullptr;
    QLineEdit *TextMAX = nullptr;
    QPushButton *Command1 = nullptr;  // RESET
    std::array<QLabel *, 9> Label8{}; // 0..7 chart Y values, 8 "Y:"
    ChoiceComboBox *Combo1 = nullptr; // full-scale selector

    // Trend chart.
    std::array<ImageButton *, 5> navButtons{}; // Picture2 .. Picture6
    ChartSurface *Picture1 = nullptr;
    QWidget *Line1 = nullptr;         // cursor line inside the chart
    QLabel *Label12 = nullptr;        // value box inside the chart
    QLabel *Label6 = nullptr;         // "0"
    std::array<QLabel *, 3> Label7{}; // X-axis record numbers
    ImageButton *Image1 = nullptr;    // opens the graph window
    ImageButton *Image2 = nullptr;    // smaller full scale
    ImageButton *Image3 = nullptr;    // larger full scale
    QLabel *Label9 = nullptr;         // "FUN:"
    QLabel *Label14 = nullptr;        // function under the cursor
    QLabel *Label13 = nullptr;        // "TIME:"
    QLabel *Label15 = nullptr;        // time under the cursor

    // A reading on the meter: annunciators, the captions it sets, the digits.
    void showReading(const Reading &reading);
    // The MAX/MIN read-outs that the reading changed show its text.
    void showExtremes(SharedState::ExtremesChange change, const QString &text);
    void updateBarGraph(double fullScale, double value, bool overRange);

    // Draws the chart onto its surface without erasing it first.
    void Picture1_Paint();
    // Erases the chart (back colour 0xE0E0E0) and draws it anew.
    void redrawChart();
    // A new trend window: the X-axis record numbers, then the chart redrawn.
    void showPage(const std::array<QString, 3> &xLabels);
    // The Y-axis values Label8(0..7), top to bottom.
    void setScaleLabels(const QStringList &labels);

    void applyOfflineLook();
    void applyOnlineLook();

    // Scale change with propagation to the graph window, and without.
    void Combo1_Click();
    void Combo1_Clicktwo();

    void Command1_Click(); // RESET
    void Image1_Click();   // open the graph window
    void Image2_Click();   // smaller full scale
    void Image3_Click();   // larger full scale

    void Picture2_Click(); // first page
    void Picture3_Click(); // previous page
    void Picture4_Click(); // newest page
    void Picture5_Click(); // next page
    void Picture6_Click(); // newest page

    // Cursor read-out; x, y in chart pixels. Outside the chart hides it.
    void Picture1_MouseMove(double x, double y);

    // Pressed and released faces of the step buttons.
    void Image2_MouseDown();
    void Image2_MouseUp();
    void Image3_MouseDown();
    void Image3_MouseUp();

    // Puts a scale text into Combo1 (selecting its list entry when there is
    // one) without applying it.
    void setScaleText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void createLcd();
    void createBarGraph();
    void createControls();
    void createChart();
    void createScaleButtons();
    void listenToTrendView();
    // labelline(0..4), Shapeline(0..3), Lineshow(0..40), in this order.
    void setBarScaleVisible(bool visible);

    SharedState &m_state;
    TrendView &m_trend;
    QPixmap m_background;
};
