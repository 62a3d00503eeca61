#pragma once

// A main window over a scripted serial control, scripted dialogs and a graph
// window stand-in that records what it is asked, with the clock fixed.
#include "app/mainform.h"
#include "datalog/dataform.h"
#include "datalog/flexgridmodel.h"
#include "display/showform.h"
#include "graph/graphlink.h"
#include "link/connectform.h"
#include "platform/dialogs.h"
#include "platform/imagebutton.h"
#include "platform/timetexts.h"
#include "support/recordinggraph.h"
#include "support/scriptedserialcontrol.h"
#include "support/uitesting.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

class MainFormHarness : public ::testing::Test
{
protected:
    static inline const QDateTime kClock{QDate(2024, 5, 17), QTime(14, 3, 9)};

    void SetUp() override
    {
        TimeTexts::setClock([] { return kClock; });
        TimeTexts::setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void TearDown() override
    {
        window.reset();
        TimeTexts::setClock({});
        TimeTexts::setLocale(QLocale::system());
    }

    // Creates the window; discovery finds `receiver`.
    void create()
    {
        window = std::make_unique<MainForm>(
            state, port, dialogs, graph,
            [this] {
                ++lookups;
                return receiver;
            },
            [this] { return ports; });
        graph.listenTo(window->trendView);
    }

    // Creates the window and lets the watchdog arm reception.
    void createOnline()
    {
        create();
        ASSERT_TRUE(port.portOpen());
        window->connectForm->Timer1_Timer();
        ASSERT_EQ(port.rThreshold(), 14);
    }

    void feed(const uitesting::FrameCodes &codes) { port.receive(uitesting::wire(codes)); }

    // Appends stored readings directly, as if they had been received.
    void prefill(int count)
    {
        for (int i = 0; i < count; ++i)
            state.append({0, 0.5 * (i % 7), QStringLiteral("VDC"), QStringLiteral("5/17/24\\14:03:09"),
                          QStringLiteral("V"), QStringLiteral("0.500")});
    }

    FlexGridModel &grid() { return *window->dataForm->grid; }
    ShowForm &show() { return *window->showForm; }
    bool shown(QWidget *w) { return w->isVisibleTo(w->parentWidget()); }

    SharedState state;
    ScriptedSerialControl port;
    ScriptedDialogs dialogs;
    RecordingGraph graph;
    QString receiver = QStringLiteral("/dev/ttyUSB0");
    QList<receiverlookup::PortEntry> ports; // the serial ports present
    int lookups = 0;
    std::unique_ptr<MainForm> window;
};
