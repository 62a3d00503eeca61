// The quenvo program itself, run as a process on its virtual meter: a
// termination signal is served like closing the window.
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

// With readings logged, SIGTERM brings up the save question instead of ending
// the program; a second signal, with nobody to answer, ends it at once.
TEST(QuenvoProgram, SigtermAsksBeforeItEndsAndASecondOneEndsIt)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUENVO_BINARY), {QStringLiteral("--demo")});
    ASSERT_TRUE(program.waitForStarted());
    QTest::qWait(2500); // the virtual meter sends a reading every 400 ms
    ASSERT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();

    const auto pid = static_cast<pid_t>(program.processId());
    ::kill(pid, SIGTERM);
    EXPECT_FALSE(program.waitForFinished(1000)) << "ended without asking to save";

    QElapsedTimer clock;
    clock.start();
    ::kill(pid, SIGTERM);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit); // the signal's own end
}
