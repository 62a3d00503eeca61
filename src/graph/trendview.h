#pragma once

#include "app/sharedstate.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

class GraphWindowLink;

// The trend window both charts show and their common full scale, with their
// refresh duties. Every change is announced per chart; each window relabels
// and redraws itself from the announcement. The graph window hears of a page
// change only while it is showing, except after its own paging buttons.
class TrendView : public QObject
{
    Q_OBJECT
public:
    enum class Chart { Display, Graph };

    TrendView(SharedState &state, GraphWindowLink &graph, QObject *parent = nullptr);

    // Paging steps; `pressedIn` is the window whose button was pressed. A step
    // whose condition fails changes nothing and announces nothing.
    bool firstPage(Chart pressedIn);
    bool previousPage(Chart pressedIn);
    bool newestPage(Chart pressedIn);
    bool nextPage(Chart pressedIn);

    // Trend following for the new reading n: the newest page, both charts
    // refreshed (the graph window only while showing).
    void follow(std::int32_t n);

    // After the store has been emptied: following again, and the display
    // chart redrawn (without points). The window and its labels stay.
    void storeEmptied();

    // The scale chosen in a window's list or reached by its step buttons:
    // applied there, then handed to the other window (to the graph window
    // only while it is showing), which applies it without handing it back.
    void chooseScale(Chart in, const QString &text);
    // A window's scale change without hand-over. The display window takes
    // its table's scale (400 for text that matches no entry); the graph
    // window the text's whole number, and nothing at all for text that is
    // no whole number from 1 up.
    void applyScale(Chart in, const QString &text);
    // The display window's graph button: shows the graph window, hands it the
    // display's scale text and sets the scale and its Y labels from it
    // (unless the text is no whole number from 1 up), redrawing nothing.
    void openGraph(const QString &text);

    // The X-axis labels of the trend window: slots 1, 50 and 100.
    std::array<QString, 3> xLabels() const;

Q_SIGNALS:
    // The trend window moved: relabel the X axis, erase and redraw.
    void pageShown(TrendView::Chart chart, const std::array<QString, 3> &xLabels);
    // Erase and redraw the chart, labels unchanged.
    void redrawRequested(TrendView::Chart chart);
    // New Y labels, top to bottom (the display's 8; the graph's 17, whose
    // empty entry 8 leaves the "Y:" caption alone); then erase and redraw
    // when `redraw`.
    void scaleLabelsChanged(TrendView::Chart chart, const QStringList &labels, bool redraw);
    // The window's scale box takes this text.
    void scaleTextHandedOver(TrendView::Chart to, const QString &text);

private:
    bool page(bool (*step)(SharedState &), Chart pressedIn);
    void announcePage(bool graphRegardless);

    SharedState &m_state;
    GraphWindowLink &m_graph;
};
