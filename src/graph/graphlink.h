#pragma once

// What must stay a link to the graph window, which comes and goes: whether it
// is showing (asking may create it, hidden), showing it, and unloading it at
// shutdown. Until the graph window exists, NoGraphWindow stands in: it never
// shows, so the graph button does nothing.
class GraphWindowLink
{
public:
    virtual ~GraphWindowLink() = default;

    // Whether the graph window can be opened at all.
    virtual bool available() const = 0;
    virtual bool isShowing() = 0;
    // Shows it, not modal (creating it when needed).
    virtual void showWindow() = 0;
    // Closes and releases it (shutdown).
    virtual void unload() = 0;
};

class NoGraphWindow : public GraphWindowLink
{
public:
    bool available() const override { return false; }
    bool isShowing() override { return false; }
    void showWindow() override {}
    void unload() override {}
};
