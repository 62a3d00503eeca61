#pragma once

#include <QIODevice>

#include <deque>

class QSocketNotifier;

// The logger's standard output, which never makes the logger wait. Lines go
// out on a non-blocking descriptor; what the reader has not taken yet waits
// in a bounded queue, written as the descriptor becomes writable; a write
// that finds the queue full is dropped and its lines counted (a write may
// carry several whole lines). A regular file (a redirection
// to disk) is written directly, as it never stalls.
//
// bytesToWrite() is what waits in the queue; bytesWritten() is emitted as it
// goes out, so a source that may pause (a replay) can wait instead of losing
// lines.
class ConsoleOut : public QIODevice
{
    Q_OBJECT
public:
    static constexpr qint64 kQueueBytes = 256 * 1024;

    // Takes `fd` over for writing (it is not closed). Its blocking mode is
    // given back at destruction.
    explicit ConsoleOut(int fd, QObject *parent = nullptr);
    ~ConsoleOut() override;

    bool isSequential() const override { return true; }
    qint64 bytesToWrite() const override { return m_queuedBytes; }

    // Lines dropped so far because the reader did not keep up.
    qint64 droppedLines() const { return m_dropped; }
    // Writes what the descriptor takes now, without waiting, and counts the
    // lines still queued as dropped. Returns the dropped total.
    qint64 finish();

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    // Writes queued bytes until the descriptor would block. False on a
    // failure other than a full pipe.
    bool drain();
    void onWritable();
    bool fail(int error);

    int m_fd = -1;
    int m_ownFd = -1;        // a second description of the same pipe or terminal, non-blocking
    int m_restoreFlags = -1; // fd's flags to restore when it was made non-blocking itself
    bool m_direct = false;   // a regular file: written directly
    std::deque<QByteArray> m_queue;
    qsizetype m_headOffset = 0; // bytes of the front line already written
    qint64 m_queuedBytes = 0;
    qint64 m_dropped = 0;
    bool m_failed = false;
    QSocketNotifier *m_writable = nullptr;
};
