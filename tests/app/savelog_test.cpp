// The two places the main window offers to save the log: the full store at
// 50000 readings and the shutdown. A file that cannot be written is reported
// and the offer made again; the log is dropped only after a written file or
// an explicit No.
#include "mainformharness.h"

#include "app/shutdownrequests.h"
#include "datalog/datafiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using uitesting::FrameCodes;

namespace {

using Answer = Dialogs::Answer;

const QString kFullQuestion = QStringLiteral("ask:Please save data!");
const QString kShutdownQuestion = QStringLiteral("ask:Do you want to save data?");
const QString kSaveDialog = QStringLiteral("save:Save|text files (*.txt)|*.txt");
const FrameCodes kReading{0, 0, 0, 12345};

QList<QByteArray> fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

bool isFailureNotice(const QString &asked, const QString &path)
{
    return asked.startsWith(QStringLiteral("tell:The data could not be saved.|")) && asked.contains(path);
}

class FullStore : public MainFormHarness
{
protected:
    void SetUp() override
    {
        MainFormHarness::SetUp();
        ASSERT_TRUE(dir.isValid());
        createOnline();
        prefill(SharedState::kCapacity - 1);
    }

    // The 50000th reading; it is shown and stored before the question.
    void fill()
    {
        feed(kReading);
        ASSERT_EQ(state.gRecords[49999].number, 50000);
        ASSERT_EQ(state.gRecords[49999].data, QStringLiteral("123.45"));
    }

    void expectEmptied()
    {
        EXPECT_EQ(state.gRecordCount(), 0);
        EXPECT_EQ(grid().rows(), 2);
        EXPECT_EQ(grid().text(0, 4), QStringLiteral("TIME"));
        EXPECT_EQ(window->dataForm->Label4->text(), QStringLiteral("0"));
        EXPECT_FALSE(state.gViewBrowsing);
        // Reception restarts on a frame boundary through the watchdog.
        EXPECT_EQ(port.rThreshold(), 0);
        EXPECT_TRUE(window->connectForm->Timer1->isActive());
    }

    void expectStillFull()
    {
        EXPECT_EQ(state.gRecordCount(), 50000);
        EXPECT_EQ(window->dataForm->Label4->text(), QStringLiteral("50000"));
        EXPECT_EQ(port.rThreshold(), 14);
        EXPECT_FALSE(window->connectForm->Timer1->isActive());
    }

    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
};

TEST_F(FullStore, NoEmptiesTheStoreAndTheNextReadingIsNumberOne)
{
    dialogs.answers = {Answer::No};
    fill();
    EXPECT_EQ(dialogs.asked, QStringList{kFullQuestion});
    expectEmptied();
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    window->connectForm->Timer1_Timer(); // a silent tick re-arms reception
    feed(kReading);
    EXPECT_EQ(state.gRecordCount(), 1);
    EXPECT_EQ(state.gRecords[0].number, 1);
    EXPECT_EQ(grid().rows(), 3);
    EXPECT_EQ(window->dataForm->Label4->text(), QStringLiteral("1"));
}

TEST_F(FullStore, CancelledSaveLeavesItFullAndLaterFramesAreDropped)
{
    dialogs.answers = {Answer::Yes};
    fill();
    EXPECT_EQ(dialogs.asked, (QStringList{kFullQuestion, kSaveDialog}));
    expectStillFull();

    feed(kReading);
    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_EQ(state.gRecordCount(), 50000);
    EXPECT_EQ(dialogs.asked.size(), 2); // no second prompt
}

TEST_F(FullStore, SavedFileHoldsEveryReadingThenTheStoreIsEmptied)
{
    dialogs.answers = {Answer::Yes};
    dialogs.fileNames = {path("full.txt")};
    fill();
    EXPECT_EQ(dialogs.asked, (QStringList{kFullQuestion, kSaveDialog}));
    const QList<QByteArray> lines = fileLines(path("full.txt"));
    ASSERT_EQ(lines.size(), 2 + 50000);
    EXPECT_TRUE(lines[0].startsWith("Quenvo  Data Logger")) << lines[0].constData();
    EXPECT_EQ(lines[2], datafiles::textRecordLine(state.gRecords[0]).chopped(1));
    EXPECT_TRUE(lines.back().trimmed().startsWith("50000 ")) << lines.back().constData();
    expectEmptied();
}

TEST_F(FullStore, UnwritableFileIsReportedAndOfferedAgain)
{
    const QString bad = path("missing-folder/full.txt");
    dialogs.answers = {Answer::Yes, Answer::Yes};
    dialogs.fileNames = {bad, path("second.txt")};
    fill();
    ASSERT_EQ(dialogs.asked.size(), 5);
    EXPECT_EQ(dialogs.asked[0], kFullQuestion);
    EXPECT_EQ(dialogs.asked[1], kSaveDialog);
    EXPECT_TRUE(isFailureNotice(dialogs.asked[2], bad)) << qPrintable(dialogs.asked[2]);
    EXPECT_EQ(dialogs.asked[3], kFullQuestion);
    EXPECT_EQ(dialogs.asked[4], kSaveDialog);
    EXPECT_EQ(fileLines(path("second.txt")).size(), 2 + 50000);
    expectEmptied();
}

TEST_F(FullStore, AfterAFailureOnlyAnExplicitNoDropsTheLog)
{
    dialogs.answers = {Answer::Yes, Answer::Yes};
    dialogs.fileNames = {path("missing-folder/a.txt")}; // then cancel
    fill();
    EXPECT_EQ(dialogs.asked.size(), 5);
    expectStillFull();
}

// Receive events delivered while the question waits re-enter the handler;
// they find the store full and only discard.
class ReenteringDialogs : public ScriptedDialogs
{
public:
    std::function<void()> whileAsking;

    Answer askYesNo(QWidget *parent, const QString &text) override
    {
        if (whileAsking)
            whileAsking();
        return ScriptedDialogs::askYesNo(parent, text);
    }
};

TEST(FullStoreReentry, EventsDuringTheQuestionOnlyDiscard)
{
    SharedState state;
    ScriptedSerialControl port;
    ReenteringDialogs dialogs;
    NoGraphWindow graph;
    MainForm window(state, port, dialogs, graph, [] { return QStringLiteral("/dev/ttyUSB0"); });
    window.connectForm->Timer1_Timer();
    for (int i = 0; i < SharedState::kCapacity - 1; ++i)
        state.append(
            {0, 1.0, QStringLiteral("VDC"), QString(), QStringLiteral("V"), QStringLiteral("1.000")});

    int countInside = -1;
    dialogs.whileAsking = [&] {
        port.receive(uitesting::wire(kReading));
        port.receive(uitesting::wire(kReading));
        countInside = state.gRecordCount();
        EXPECT_EQ(port.inBufferCount(), 0);
    };
    dialogs.answers = {Answer::No};
    port.receive(uitesting::wire(kReading));

    EXPECT_EQ(countInside, 50000);
    EXPECT_EQ(dialogs.asked, QStringList{kFullQuestion});
    EXPECT_EQ(state.gRecordCount(), 0);
    EXPECT_EQ(window.dataForm->grid->rows(), 2);
}

class Shutdown : public MainFormHarness
{
protected:
    void SetUp() override
    {
        MainFormHarness::SetUp();
        ASSERT_TRUE(dir.isValid());
        createOnline();
        window->show();
    }

    void readings(int n)
    {
        for (int i = 0; i < n; ++i)
            feed(kReading);
    }

    void closeWindow()
    {
        EXPECT_TRUE(window->close());
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(port.portOpen());
    }

    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
};

TEST_F(Shutdown, WithoutReadingsNothingIsAsked)
{
    closeWindow();
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(graph.calls, QStringList{QStringLiteral("unload")});
}

TEST_F(Shutdown, NoAndCancelWriteNothing)
{
    readings(2);
    dialogs.answers = {Answer::No};
    closeWindow();
    EXPECT_EQ(dialogs.asked, QStringList{kShutdownQuestion});
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(Shutdown, YesThenCancelWritesNothing)
{
    readings(2);
    dialogs.answers = {Answer::Yes};
    closeWindow();
    EXPECT_EQ(dialogs.asked, (QStringList{kShutdownQuestion, kSaveDialog}));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(ShutdownOrder, PortClosedAndGraphUnloadedBeforeTheQuestionAndOnlyOnce)
{
    SharedState state;
    ScriptedSerialControl port;
    ReenteringDialogs dialogs;
    RecordingGraph graph;
    MainForm window(state, port, dialogs, graph, [] { return QStringLiteral("/dev/ttyUSB0"); });
    window.connectForm->Timer1_Timer();
    port.receive(uitesting::wire(kReading));
    ASSERT_EQ(state.gRecordCount(), 1);

    bool portOpenAtQuestion = true;
    QStringList graphCallsAtQuestion;
    dialogs.whileAsking = [&] {
        portOpenAtQuestion = port.portOpen();
        graphCallsAtQuestion = graph.calls;
    };
    window.MDIForm_Unload();
    window.MDIForm_Unload();

    EXPECT_FALSE(portOpenAtQuestion);
    EXPECT_EQ(graphCallsAtQuestion, QStringList{QStringLiteral("unload")});
    EXPECT_EQ(dialogs.asked, QStringList{kShutdownQuestion});
    EXPECT_EQ(graph.calls, QStringList{QStringLiteral("unload")});
}

TEST_F(Shutdown, YesWritesTheLogWithTheOneSpaceTitle)
{
    readings(3);
    dialogs.answers = {Answer::Yes};
    dialogs.fileNames = {path("end.txt")};
    closeWindow();
    const QList<QByteArray> lines = fileLines(path("end.txt"));
    ASSERT_EQ(lines.size(), 2 + 3);
    EXPECT_TRUE(lines[0].startsWith("Quenvo Data Logger ")) << lines[0].constData();
    EXPECT_FALSE(lines[0].startsWith("Quenvo  Data")) << lines[0].constData();
    EXPECT_TRUE(lines[4].trimmed().startsWith("3 ")) << lines[4].constData();
}

TEST_F(Shutdown, FailedSaveIsReportedAndOfferedAgain)
{
    readings(2);
    const QString bad = path("missing-folder/end.txt");
    dialogs.answers = {Answer::Yes, Answer::Yes};
    dialogs.fileNames = {bad, path("end.txt")};
    closeWindow();
    ASSERT_EQ(dialogs.asked.size(), 5);
    EXPECT_TRUE(isFailureNotice(dialogs.asked[2], bad)) << qPrintable(dialogs.asked[2]);
    EXPECT_EQ(dialogs.asked[3], kShutdownQuestion);
    EXPECT_EQ(fileLines(path("end.txt")).size(), 2 + 2);
}

} // namespace

// A request to end the program from outside (a signal, or the session
// manager at logout) runs the shutdown of a closed window, with its question.
TEST_F(Shutdown, SignalsRunTheShutdownWithItsQuestion)
{
    readings(2);
    {
        ShutdownRequests requests(*window);
        ASSERT_TRUE(requests.isValid());
        dialogs.answers = {Answer::Yes};
        dialogs.fileNames = {path("term.txt")};
        ::raise(SIGTERM);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 2000));
    }
    EXPECT_EQ(dialogs.asked, (QStringList{kShutdownQuestion, kSaveDialog}));
    EXPECT_FALSE(port.portOpen());
    const QList<QByteArray> lines = fileLines(path("term.txt"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("Quenvo Data Logger ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[3].startsWith(" 2 "));

    for (int signalNumber : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        window.reset();
        state.empty();
        dialogs.asked.clear();
        createOnline();
        window->show();
        readings(1);
        ShutdownRequests requests(*window);
        dialogs.answers = {Answer::No};
        ::raise(signalNumber);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 2000));
        EXPECT_EQ(dialogs.asked, QStringList{kShutdownQuestion});
    }
}
