// The main window from the keyboard: where the focus starts, Tab through
// every control in reading order, Space and Enter on every picture button,
// and the toolbar's shortcuts.
#include "mainformharness.h"

#include "datalog/readingtable.h"
#include "platform/uikit.h"
#include "support/recordingprint.h"

#include <QAccessible>

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolBar>

namespace {

class KeyboardTest : public MainFormHarness
{
protected:
    // Creates the window, shown and active, as on the desktop.
    void createActive()
    {
        create();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QWidget *focused() const { return QApplication::focusWidget(); }

    // The controls Tab visits from the focused one until it comes back.
    QList<QWidget *> tabCycle()
    {
        QList<QWidget *> visited{focused()};
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            if (focused() == visited.front())
                return visited;
            visited << focused();
        }
        ADD_FAILURE() << "Tab never came back";
        return visited;
    }

    QList<QWidget *> toolbarButtons() const
    {
        QList<QWidget *> buttons;
        for (QAction *action : window->dataForm->Toolbar1->actions())
            buttons << window->dataForm->Toolbar1->widgetForAction(action);
        return buttons;
    }

    // Every control of the window in reading order: the strip left to right,
    // the display window row by row, then the table window.
    QList<QWidget *> readingOrder() const
    {
        ShowForm &s = *window->showForm;
        QList<QWidget *> order;
        order << window->connectForm->Combo1 << window->connectForm->btn_conn << s.TextMIN << s.TextMAX
              << s.Command1 << s.Combo1;
        for (ImageButton *b : s.navButtons)
            order << b;
        order << s.Image1 << s.Image2 << s.Image3;
        order << toolbarButtons();
        order << window->dataForm->MSFlexGrid1;
        return order;
    }
};

TEST_F(KeyboardTest, FocusStartsOnConnectAndTabVisitsEveryControlInReadingOrder)
{
    receiver.clear(); // nothing found: the user connects
    createActive();
    EXPECT_EQ(focused(), window->connectForm->btn_conn);

    QList<QWidget *> expected = readingOrder();
    std::rotate(expected.begin(), expected.begin() + 1, expected.end()); // from CONNECT on
    EXPECT_EQ(tabCycle(), expected);
}

TEST_F(KeyboardTest, WithTheReceiverOpenTheFocusStartsOnTheTable)
{
    createActive();
    ASSERT_TRUE(port.portOpen());
    EXPECT_EQ(focused(), window->dataForm->MSFlexGrid1);
    // CONNECT is disabled while the port is open and is passed over.
    EXPECT_FALSE(tabCycle().contains(window->connectForm->btn_conn));
}

// Each picture button, reached with Tab, clicks on Space (when released)
// and on Enter, and does what a mouse click does.
TEST_F(KeyboardTest, SpaceAndEnterClickEveryPictureButton)
{
    receiver.clear();
    prefill(350); // pages 1 to 301; the window shows the newest
    createActive();
    ShowForm &s = show();

    QList<ImageButton *> buttons{window->connectForm->btn_conn};
    for (ImageButton *b : s.navButtons)
        buttons << b;
    buttons << s.Image1 << s.Image2 << s.Image3;
    for (ImageButton *button : buttons) {
        SCOPED_TRACE(
            qPrintable(button->accessibleName().isEmpty() ? button->toolTip() : button->accessibleName()));
        for (int tabs = 0; focused() != button; ++tabs) {
            ASSERT_LT(tabs, 40) << "not reached with Tab";
            QTest::keyClick(focused(), Qt::Key_Tab);
        }
        QSignalSpy clicked(button, &ImageButton::clicked);
        QTest::keyPress(button, Qt::Key_Space);
        EXPECT_EQ(clicked.count(), 0);
        QTest::keyRelease(button, Qt::Key_Space);
        EXPECT_EQ(clicked.count(), 1);
        if (button == window->connectForm->btn_conn) {
            EXPECT_TRUE(port.portOpen()) << "CONNECT opened the port";
            EXPECT_EQ(port.commPort(), QString()) << "the box was empty";
            EXPECT_EQ(focused(), window->dataForm->MSFlexGrid1) << "the focus went on to the table";
            // Open, CONNECT is disabled: Enter does nothing there.
            QTest::keyClick(button, Qt::Key_Return);
            EXPECT_EQ(clicked.count(), 1);
            EXPECT_EQ(port.openCalls, 1);
            continue;
        }
        QTest::keyClick(button, Qt::Key_Return);
        EXPECT_EQ(clicked.count(), 2);
        if (button == s.navButtons[0]) {
            EXPECT_EQ(state.gViewStart, 1) << "first page";
        } else if (button == s.navButtons[2]) {
            EXPECT_EQ(state.gViewStart, 301) << "last page";
        } else if (button == s.Image1) {
            EXPECT_EQ(graph.shows, 2) << "the graph window opened";
        } else if (button == s.Image2) {
            EXPECT_EQ(s.Combo1->currentText(), QStringLiteral("100")) << "400 -> 200 -> 100";
        } else if (button == s.Image3) {
            EXPECT_EQ(s.Combo1->currentText(), QStringLiteral("400")) << "100 -> 200 -> 400";
        }
    }
}

// Ctrl+S, Ctrl+E and Ctrl+P run "save", "to_xls" and "print" from anywhere in
// the window but a text box; "new" has no key, so no key empties the log.
TEST_F(KeyboardTest, ToolbarShortcutsRunTheirCommands)
{
    createActive();
    prefill(3);
    recordingprint::Kept kept;
    window->dataForm->setPrintSurfaceFactory(recordingprint::factory(kept));

    QTest::keyClick(focused(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(focused(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(dialogs.asked.size(), 2);
    EXPECT_TRUE(dialogs.asked[0].contains(QStringLiteral("*.txt"))) << qPrintable(dialogs.asked[0]);
    EXPECT_TRUE(dialogs.asked[1].contains(QStringLiteral("*.csv"))) << qPrintable(dialogs.asked[1]);
    QTest::keyClick(focused(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(kept.surfacesMade, 1);
    EXPECT_TRUE(kept.documentEnded);

    QStringList shortcuts;
    for (QAction *action : window->dataForm->Toolbar1->actions())
        shortcuts << action->shortcut().toString(QKeySequence::PortableText);
    EXPECT_EQ(shortcuts, (QStringList{"", "Ctrl+S", "Ctrl+E", "Ctrl+P"}));
    for (Qt::Key key : {Qt::Key_N, Qt::Key_Delete, Qt::Key_Backspace})
        QTest::keyClick(focused(), key, Qt::ControlModifier);
    EXPECT_EQ(state.gRecordCount(), 3);
}

// Screen readers name every control that has no text of its own.
TEST_F(KeyboardTest, EveryButtonHasAnAccessibleName)
{
    createActive();
    for (QWidget *w : readingOrder()) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->metaObject()->className();
    }
    QStringList toolbar;
    for (QWidget *b : toolbarButtons())
        toolbar << QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name);
    EXPECT_EQ(toolbar, (QStringList{"New", "Save", "Save as CSV", "Print"}));
}

} // namespace
