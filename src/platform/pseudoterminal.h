#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair for feeding bytes to a serial port opened by path:
// the virtual meter and the tests write to the master side; the program opens
// slavePath() like any serial device. The pair is set to raw mode (no echo,
// no line editing, no character translation) before anyone opens the slave.
//
// Signals and errors: writes to a pty master never raise SIGPIPE (that is a
// pipe and socket signal); while the pair is alive the slave is always held
// open by this object, so writes do not fail with EIO either. After
// closeMaster() every fd open on the slave is hung up: reads there return end
// of file or EIO, which a serial port reports as a read error.
//
// Not thread-safe; use one object from one thread.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // True while the pair exists and the master side is open.
    bool isValid() const;
    QString slavePath() const;   // "/dev/pts/N"; kept after closeMaster()
    QString errorString() const; // why creation or the last write failed

    // Writes without blocking; returns the bytes written (fewer when the
    // slave's input queue is full, 0 when it is full already; -1 on error or
    // after closeMaster()). The caller writes the rest later.
    qint64 write(const QByteArray &bytes);

    // Closes the master side: a port open on the slave sees its link drop.
    // The slave fd kept by this object is closed as well. Idempotent.
    void closeMaster();

private:
    bool create();
    void closeAll();

    int m_master = -1;
    int m_slaveKeep = -1; // keeps the pair alive and raw while no port has the slave open
    QString m_slavePath;
    QString m_error;
};
