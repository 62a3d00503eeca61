// The real dialogs, driven offscreen: the save dialog's title and what it
// does to the user-interface thread while the user types a path; message
// boxes that never break a path across lines.
#include "platform/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {

// Measures the longest time the user-interface thread went without turning
// its event loop, from a second thread. A thread held for good would hang the
// test: past `giveUpMs` the watcher reports it and ends the process.
class Responsiveness
{
public:
    explicit Responsiveness(qint64 giveUpMs) : m_giveUpMs(giveUpMs)
    {
        m_clock.start();
        m_lastBeat = 0;
        QObject::connect(&m_beat, &QTimer::timeout, [this] { m_lastBeat = m_clock.elapsed(); });
        m_beat.start(5);
        m_watcher = std::thread([this] { watch(); });
    }
    ~Responsiveness()
    {
        m_stop = true;
        m_watcher.join();
    }
    Responsiveness(const Responsiveness &) = delete;
    Responsiveness &operator=(const Responsiveness &) = delete;

    // Only gaps after this call count.
    void startMeasuring()
    {
        m_lastBeat = m_clock.elapsed();
        m_longest = 0;
        m_measuring = true;
    }
    qint64 longestGapMs() const { return m_longest; }

private:
    void watch()
    {
        while (!m_stop) {
            ::usleep(2000);
            if (!m_measuring)
                continue;
            const qint64 gap = m_clock.elapsed() - m_lastBeat;
            if (gap > m_longest)
                m_longest = gap;
            if (gap > m_giveUpMs) {
                std::fprintf(stderr, "the user-interface thread has been held for %lld ms; giving up\n",
                             static_cast<long long>(gap));
                std::fflush(stderr);
                ::_exit(1);
            }
        }
    }

    qint64 m_giveUpMs;
    QElapsedTimer m_clock;
    QTimer m_beat;
    std::atomic<qint64> m_lastBeat{0};
    std::atomic<qint64> m_longest{0};
    std::atomic<bool> m_measuring{false};
    std::atomic<bool> m_stop{false};
    std::thread m_watcher;
};

// Runs steps one after the other on the event loop, `pauseMs` apart, once
// the modal save dialog is up; each step gets the dialog.
class SaveDialogDriver
{
public:
    using Step = std::function<void(QFileDialog &)>;
    SaveDialogDriver(int pauseMs, std::vector<Step> steps) : m_pauseMs(pauseMs), m_steps(std::move(steps))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start(10);
    }

private:
    void tick()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || m_next >= m_steps.size())
            return;
        if (m_sinceStep.isValid() && m_sinceStep.elapsed() < m_pauseMs)
            return;
        m_sinceStep.start();
        m_steps[m_next++](*dialog);
    }

    int m_pauseMs;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    QElapsedTimer m_sinceStep;
    QTimer m_timer;
};

QLineEdit *fileNameEdit(QFileDialog &dialog)
{
    return dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
}

} // namespace

// Typing /proc into the file name lists /proc. With a content-sniffing file
// model the thread was held for good, reading /proc/kmsg (as root; other users
// may not read it, so for them this only shows the dialog stays usable).
TEST(SaveDialog, TypingProcKeepsTheUserInterfaceResponsive)
{
    if (::access("/proc/kmsg", R_OK) != 0)
        std::printf("[  NOTE    ] /proc/kmsg is not readable here (not root): the read that blocked "
                    "cannot happen, the dialog is still driven\n");
    Responsiveness ui(5000);
    QtDialogs dialogs;
    QString seenTitle;
    bool typed = false;
    const SaveDialogDriver driver(
        1500, {
                  [&](QFileDialog &dialog) {
                      seenTitle = dialog.windowTitle();
                      QLineEdit *edit = fileNameEdit(dialog);
                      ASSERT_NE(edit, nullptr);
                      ui.startMeasuring();
                      QTest::keyClicks(edit, QStringLiteral("/proc"));
                      typed = true;
                  },
                  [&](QFileDialog &dialog) { QTest::keyClicks(fileNameEdit(dialog), "/"); },
                  [&](QFileDialog &dialog) { QTest::keyClicks(fileNameEdit(dialog), "km"); },
                  [&](QFileDialog &dialog) { dialog.reject(); },
              });
    const QString chosen =
        dialogs.saveFileName(nullptr, QStringLiteral("Save"), QStringLiteral("text files (*.txt)|*.txt"));
    EXPECT_TRUE(typed);
    EXPECT_EQ(chosen, QString());
    EXPECT_EQ(seenTitle, QStringLiteral("Save"));
    EXPECT_LT(ui.longestGapMs(), 500) << "the user-interface thread was held";
}

// The dialog gives back the path as typed, without a suffix of its own.
TEST(SaveDialog, ReturnsThePathTypedWithoutAddingASuffix)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("readings"));
    QtDialogs dialogs;
    const SaveDialogDriver driver(
        100, {
                 [&](QFileDialog &dialog) { fileNameEdit(dialog)->setText(path); },
                 [&](QFileDialog &dialog) { QTest::keyClick(fileNameEdit(dialog), Qt::Key_Return); },
             });
    EXPECT_EQ(
        dialogs.saveFileName(nullptr, QStringLiteral("Save"), QStringLiteral("csv files (*.csv)|*.csv")),
        path);
}

namespace {

// The lines a word-wrapping label makes of `text` at `width` pixels, with
// the word joiners taken out again.
QStringList wrapped(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).remove(QChar(dialogtext::kWordJoiner));
    }
    layout.endLayout();
    return lines;
}

// Whether, at some width from narrow to wide, `path` is split across lines.
bool everSplit(const QString &text, const QString &path, const QFont &font)
{
    for (int width = 30; width <= 500; width += 3) {
        bool whole = false;
        for (const QString &line : wrapped(text, font, width))
            whole = whole || line.contains(path);
        if (!whole)
            return true;
    }
    return false;
}

} // namespace

// The "port error!" box as it is shown: the paths in its texts stay whole at
// any width, the words around them still wrap, and Ctrl+C copies the texts as
// they were given, without the invisible joiners.
TEST(MessageBox, PathsAreNeverBrokenAcrossLines)
{
    const QString detail = QStringLiteral(
        "The serial port /dev/ttyUSB0 does not exist or is not a serial device. Check that the receiver "
        "is plugged in, or try \\\\.\\COM12 or /home/bench-user/logs/meter-2024.txt.");
    const QStringList paths = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("\\\\.\\COM12"),
                               QStringLiteral("/home/bench-user/logs/meter-2024.txt.")};
    QString shown;
    QFont font;
    QString copied;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_NE(label, nullptr);
        shown = label->text();
        font = label->font();
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        copied = QGuiApplication::clipboard()->text();
        box->accept();
    });
    QtDialogs().tell(nullptr, QStringLiteral("port error!"), detail);

    EXPECT_EQ(QString(shown).remove(QChar(dialogtext::kWordJoiner)), detail);
    EXPECT_EQ(copied, QStringLiteral("port error!\n\n") + detail);
    for (const QString &path : paths) {
        EXPECT_TRUE(everSplit(detail, path, font)) << "the check sees a split path: " << qPrintable(path);
        EXPECT_FALSE(everSplit(shown, path, font)) << qPrintable(path);
    }
    EXPECT_GT(wrapped(shown, font, 150).size(), 3) << "the sentence still wraps between words";
    EXPECT_EQ(dialogtext::keepPathsWhole(QStringLiteral("port error!")), QStringLiteral("port error!"));
}
