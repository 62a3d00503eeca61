#pragma once

// A graph window stand-in: says whether it is showing, and records what the
// trend view announces to the graph chart, as the graph window would act on it.
#include "graph/graphlink.h"
#include "graph/trendview.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <vector>

class RecordingGraph : public GraphWindowLink
{
public:
    bool showing = false;
    bool canOpen = true;
    int shows = 0;
    int unloads = 0;
    int repaints = 0;          // page shown or redraw requested
    int scaleApplications = 0; // new Y labels with a redraw: a scale applied there
    std::vector<std::array<QString, 3>> xLabels;
    std::vector<QString> scaleTexts;
    std::vector<QStringList> yLabels;
    // Everything above in order: "labels:a,b,c", "repaint", "scale:t",
    // "ylabels", "unload".
    QStringList calls;

    bool available() const override { return canOpen; }
    bool isShowing() override { return showing; }
    void showWindow() override
    {
        ++shows;
        showing = true;
    }
    void unload() override
    {
        ++unloads;
        showing = false;
        calls << QStringLiteral("unload");
    }

    // Starts listening to `trend`'s announcements for the graph chart.
    void listenTo(TrendView &trend)
    {
        using Chart = TrendView::Chart;
        QObject::connect(&trend, &TrendView::pageShown, &m_context,
                         [this](Chart c, const std::array<QString, 3> &labels) {
                             if (c != Chart::Graph)
                                 return;
                             xLabels.push_back(labels);
                             ++repaints;
                             calls << QStringLiteral("labels:%1,%2,%3").arg(labels[0], labels[1], labels[2])
                                   << QStringLiteral("repaint");
                         });
        QObject::connect(&trend, &TrendView::redrawRequested, &m_context, [this](Chart c) {
            if (c != Chart::Graph)
                return;
            ++repaints;
            calls << QStringLiteral("repaint");
        });
        QObject::connect(&trend, &TrendView::scaleTextHandedOver, &m_context,
                         [this](Chart c, const QString &text) {
                             if (c != Chart::Graph)
                                 return;
                             scaleTexts.push_back(text);
                             calls << QStringLiteral("scale:") + text;
                         });
        QObject::connect(&trend, &TrendView::scaleLabelsChanged, &m_context,
                         [this](Chart c, const QStringList &labels, bool redraw) {
                             if (c != Chart::Graph)
                                 return;
                             yLabels.push_back(labels);
                             scaleApplications += redraw;
                             calls << QStringLiteral("ylabels");
                         });
    }

private:
    QObject m_context;
};
