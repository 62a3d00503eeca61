#pragma once

#include <QString>
#include <array>

// What the other windows need of the graph window. Until the graph window
// exists, NoGraphWindow stands in: it never shows, so nothing is relabelled
// or repainted there and the graph button does nothing.
class GraphWindowLink
{
public:
    virtual ~GraphWindowLink() = default;

    // Whether the graph window can be opened at all.
    virtual bool available() const = 0;
    // Whether it is showing (asking may create it, hidden).
    virtual bool isShowing() = 0;
    // Shows it, not modal.
    virtual void showWindow() = 0;
    // Its X-axis record numbers (numlabel1 0..2).
    virtual void setXLabels(const std::array<QString, 3> &labels) = 0;
    // Erases its chart and draws it anew.
    virtual void repaintChart() = 0;
    // Copies a scale text into its selector.
    virtual void setScaleText(const QString &text) = 0;
    // Its scale change without propagation.
    virtual void applyScaleWithoutPropagation() = 0;
    // Its 17 Y labels (index 8, the "Y:" caption, is left alone).
    virtual void setYLabels(const std::array<QString, 17> &labels) = 0;
    // Closes and releases it (shutdown).
    virtual void unload() = 0;
};

class NoGraphWindow : public GraphWindowLink
{
public:
    bool available() const override { return false; }
    bool isShowing() override { return false; }
    void showWindow() override {}
    void setXLabels(const std::array<QString, 3> &) override {}
    void repaintChart() override {}
    void setScaleText(const QString &) override {}
    void applyScaleWithoutPropagation() override {}
    void setYLabels(const std::array<QString, 17> &) override {}
    void unload() override {}
};
