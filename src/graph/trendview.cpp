#include "graph/trendview.h"

#include "display/scaletable.h"
#include "graph/graphlink.h"
#include "graph/trendpaging.h"

TrendView::TrendView(SharedState &state, GraphWindowLink &graph, QObject *parent)
    : QObject(parent), m_state(state), m_graph(graph)
{
}

bool TrendView::firstPage(Chart pressedIn)
{
    return page(&paging::firstPage, pressedIn);
}

bool TrendView::previousPage(Chart pressedIn)
{
    return page(&paging::previousPage, pressedIn);
}

bool TrendView::newestPage(Chart pressedIn)
{
    return page(&paging::newestPage, pressedIn);
}

bool TrendView::nextPage(Chart pressedIn)
{
    return page(&paging::nextPage, pressedIn);
}

bool TrendView::page(bool (*step)(SharedState &), Chart pressedIn)
{
    if (!step(m_state))
        return false;
    announcePage(pressedIn == Chart::Graph);
    return true;
}

void TrendView::follow(std::int32_t n)
{
    paging::showNewest(m_state, n);
    announcePage(false);
}

// The display chart first, then the graph window's: after its own buttons,
// or while it is showing.
void TrendView::announcePage(bool graphRegardless)
{
    const std::array<QString, 3> labels = xLabels();
    Q_EMIT pageShown(Chart::Display, labels);
    if (graphRegardless || m_graph.isShowing())
        Q_EMIT pageShown(Chart::Graph, labels);
}

void TrendView::storeEmptied()
{
    m_state.gViewBrowsing = false;
    Q_EMIT redrawRequested(Chart::Display);
}

void TrendView::applyScale(Chart in, const QString &text)
{
    if (in == Chart::Display) {
        const scales::ScaleRow row = scales::lookup(text);
        m_state.gGraphScale = row.scale;
        Q_EMIT scaleLabelsChanged(Chart::Display,
                                  QStringList(row.displayLabels.begin(), row.displayLabels.end()), true);
        return;
    }
    // Text that is no whole number from 1 up cannot be a scale: nothing changes.
    const std::optional<std::int32_t> c = scales::toWholeScale(text);
    if (!c)
        return;
    m_state.gGraphScale = *c;
    const std::array<QString, 17> labels = scales::graphLabels(*c);
    Q_EMIT scaleLabelsChanged(Chart::Graph, QStringList(labels.begin(), labels.end()), true);
}

void TrendView::chooseScale(Chart in, const QString &text)
{
    applyScale(in, text);
    if (in == Chart::Display && !m_graph.isShowing())
        return;
    const Chart other = in == Chart::Display ? Chart::Graph : Chart::Display;
    Q_EMIT scaleTextHandedOver(other, text);
    applyScale(other, text);
}

void TrendView::openGraph(const QString &text)
{
    if (!m_graph.available())
        return;
    m_graph.showWindow();
    Q_EMIT scaleTextHandedOver(Chart::Graph, text);
    // Text that is no whole number from 1 up cannot be a scale: the window
    // shows it, and scale and labels stay as they are.
    const std::optional<std::int32_t> c = scales::toWholeScale(text);
    if (!c)
        return;
    m_state.gGraphScale = *c;
    const std::array<QString, 17> labels = scales::graphLabels(*c);
    Q_EMIT scaleLabelsChanged(Chart::Graph, QStringList(labels.begin(), labels.end()), false);
}

std::array<QString, 3> TrendView::xLabels() const
{
    return paging::xAxisLabels(m_state);
}
