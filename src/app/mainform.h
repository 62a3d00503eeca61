#pragma once

#include "app/sharedstate.h"
#include "graph/trendview.h"
#include "link/receivepath.h"
#include "link/recordassembler.h"
#include "platform/receiverlookup.h"

#include <QWidget>
#include <functional>

class QTimer;
class ConnectForm;
class DataForm;
class Dialogs;
class GraphWindowLink;
class SerialControl;
class ShowForm;

// The main window "Quenvo": a fixed-size container holding the connection
// strip, the display window and the data table, and the one place where they
// are connected. It owns the receive handler (MSComm1_OnComm), the trend
// view both charts share, the full-store procedure and the shutdown save.
class MainForm : public QWidget
{
    Q_OBJECT
public:
    // Client area: the strip (938 x 40) over the display (500 x 600) and the
    // table (438 x 600), whatever frame the window manager adds.
    static constexpr int kClientWidth = 938;
    static constexpr int kClientHeight = 640;
    // While Closed after a lost link, the receiver is looked for this often.
    static constexpr int kRediscoverMs = 2000;

    // `findReceiver` returns the receiver's port ("" when none is found); it
    // is called at start-up, after a lost link to look for it again, and each
    // time the port list opens. `listPorts` gives the serial ports present
    // (unset: those the system lists).
    MainForm(SharedState &state, SerialControl &port, Dialogs &dialogs, GraphWindowLink &graph,
             std::function<QString()> findReceiver,
             std::function<QList<receiverlookup::PortEntry>()> listPorts = {}, QWidget *parent = nullptr);
    ~MainForm() override;

    SerialControl &MSComm1;
    ReceivePath receivePath; // the receive rules over MSComm1
    TrendView trendView;     // paging and scale of both charts
    ConnectForm *connectForm = nullptr;
    ShowForm *showForm = nullptr;
    DataForm *dataForm = nullptr;
    QTimer *rediscoverTimer = nullptr; // runs only while Closed after a lost link

    // The receive path: one frame per event, exactly 14 bytes waiting.
    void MSComm1_OnComm();

    // Shutdown: close the port, unload the graph window, offer to save.
    // Runs once; the window closes afterwards whatever the answers.
    void MDIForm_Unload();

    // The retry tick while Closed after a lost link: looks for the receiver
    // and reopens it through the arming path. Does nothing when no retry runs
    // (a port closed on purpose is never reopened by itself).
    void rediscover();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void connectWindows();
    void fullStore();
    // Asks `question` until the user answers No, cancels the save dialog or a
    // file has been written. Returns true when the log may be dropped (No or
    // written), false on cancel.
    bool offerSave(const QString &question, const QString &title);
    // MDIForm_Resize: the normal state keeps the outer size fixed.
    void applyFixedSize();

    SharedState &m_state;
    Dialogs &m_dialogs;
    GraphWindowLink &m_graph;
    RecordAssembler m_assembler;
    std::function<QString()> m_findReceiver;
    bool m_unloaded = false;
};
