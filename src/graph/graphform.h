#pragma once

#include "app/sharedstate.h"
#include "graph/graphlink.h"
#include "graph/trendview.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QPushButton;
class ChartSurface;
class ChoiceComboBox;
class ImageButton;

// The graph window: the large trend chart of the trend window both charts
// show, with its full-scale choice, two scale step buttons, five paging
// buttons, a cursor read-out and "Print". A top-level window with a fixed
// border, client area 818 x 562. Elements keep their design names. Paging
// and the scale go through the trend view; the window listens to the trend
// view's announcements for the graph chart itself.
class GraphForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 818;
    static constexpr int kClientHeight = 562;

    GraphForm(SharedState &state, TrendView &trend, QWidget *parent = nullptr);
    ~GraphForm() override;

    QLabel *Label8Caption = nullptr;  // Label8(8), "Y:"
    ChoiceComboBox *Combo1 = nullptr; // full-scale selector
    ImageButton *imgbtnfirst = nullptr;
    ImageButton *imgbtnleft = nullptr;
    ImageButton *imgbtncenter = nullptr;
    ImageButton *imgbtnright = nullptr;
    ImageButton *imgbtnend = nullptr;
    QPushButton *Command1 = nullptr; // "Print"
    ChartSurface *Picture1 = nullptr;
    QWidget *Line1 = nullptr;            // cursor line inside the chart
    QLabel *Label1 = nullptr;            // function under the cursor
    QLabel *Label2 = nullptr;            // reading and unit under the cursor
    QLabel *Label3 = nullptr;            // time under the cursor
    std::array<QLabel *, 17> Label8{};   // Y-axis values; entry 8 is the "Y:" caption
    QLabel *Label6 = nullptr;            // "0"
    std::array<QLabel *, 3> numlabel1{}; // X-axis record numbers
    ImageButton *Image2 = nullptr;       // smaller full scale
    ImageButton *Image3 = nullptr;       // larger full scale

    // The five paging buttons in their order: first, previous, centre, next, last.
    std::array<ImageButton *, 5> pagingButtons() const;

    // Draws the chart onto its surface without erasing it first.
    void Picture1_Paint();
    // Erases the chart (back colour 0xE0E0E0) and draws it anew.
    void redrawChart();
    // A new trend window: the X-axis record numbers, then the chart redrawn.
    void showPage(const std::array<QString, 3> &xLabels);
    // The Y-axis values top to bottom, 17 entries; entry 8 ("Y:") is left alone.
    void setScaleLabels(const QStringList &labels);
    // Puts a scale text into Combo1 (selecting its list entry when there is
    // one) without applying it.
    void setScaleText(const QString &text);

    // Scale change with hand-over to the display window, and without.
    void Combo1_Click();
    void Combo1_Clicktwo();
    void Image2_Click(); // smaller full scale
    void Image3_Click(); // larger full scale

    void imgbtnfirst_Click();
    void imgbtnleft_Click();
    void imgbtncenter_Click();
    void imgbtnright_Click();
    void imgbtnend_Click();

    // Cursor read-out; x, y in chart pixels. Outside the chart hides it.
    void Picture1_MouseMove(double x, double y);

    // "Print": runs the installed handler (the graph report) when there is one.
    void Command1_Click();
    void setPrintHandler(std::function<void(GraphForm &)> handler) { m_print = std::move(handler); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createElements();
    void createChart();
    void createAxisLabels();
    void createButtons();
    void listenToTrendView();
    void Form_Load();

    SharedState &m_state;
    TrendView &m_trend;
    std::function<void(GraphForm &)> m_print;
};

// The graph window as the other windows see it: created on first use
// (hidden when only asked whether it is showing), ended when the user closes
// it, created anew with its design captions at the next use.
class GraphWindowHost : public GraphWindowLink
{
public:
    explicit GraphWindowHost(SharedState &state);
    ~GraphWindowHost() override;

    // The trend view the windows it creates listen to; set before first use.
    void attach(TrendView &trend) { m_trend = &trend; }
    // Installed on every window it creates (the graph report).
    void setPrintHandler(std::function<void(GraphForm &)> handler) { m_print = std::move(handler); }

    bool available() const override { return m_trend != nullptr; }
    bool isShowing() override;
    void showWindow() override;
    void unload() override;

    // The present instance, or nullptr.
    GraphForm *window() const { return m_window.data(); }
    // The present instance, created (hidden) when there is none.
    GraphForm &instance();

private:
    SharedState &m_state;
    TrendView *m_trend = nullptr;
    std::function<void(GraphForm &)> m_print;
    QPointer<GraphForm> m_window;
};
