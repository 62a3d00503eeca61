#pragma once

#include "link/meterframe.h"
#include "virtualmeter/benchsession.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>

class PseudoTerminal;

struct VirtualMeterOptions
{
    int intervalMs = 400;   // one frame per interval; the meter sends about 2.5 a second
    std::uint64_t seed = 1; // seed of the bench session
    int frameLimit = 0;     // stop after so many frames; 0: send until stopped
    bool noisyBits = true;  // fill the bits the receiver ignores, as a real meter does
};

// A meter on a pseudo-terminal: start() creates the pair and sends a bench
// session's frames to it; a program opens portName() like the receiver's
// serial port. Each frame's 14 bytes are written in four chunks spread over
// the 58 ms they take on a 2400-baud wire, then the line stays silent until
// the next frame: the pause the receive watchdog relies on.
//
// Writes never block. While nobody reads the port, bytes that do not fit in
// the terminal's queue are dropped, as a real meter's are.
class VirtualMeter : public QObject
{
    Q_OBJECT
public:
    // Time of one byte on the wire: 10 bits (start, 8 data, stop) at 2400 baud.
    static constexpr double kByteMs = 10.0 * 1000.0 / 2400.0;
    // Shortest interval: the frame must be off the wire before the next starts.
    static constexpr int kMinIntervalMs = 60;

    explicit VirtualMeter(const VirtualMeterOptions &options = {}, QObject *parent = nullptr);
    ~VirtualMeter() override;

    // Creates the pseudo-terminal and starts the frame timer; the first frame
    // goes out one interval later. False, with errorString(), when the
    // pseudo-terminal cannot be made. Calling it again while running does nothing.
    bool start();
    // Stops sending; the port stays present, silent.
    void stop();
    // Stops sending and closes the meter's side: a port open on portName()
    // loses its link, as when the receiver is unplugged. Final: start()
    // fails afterwards. The destructor does the same.
    void unplug();

    bool isRunning() const;
    // The device path to open ("/dev/pts/N"); empty before start().
    QString portName() const;
    QString errorString() const;
    const VirtualMeterOptions &options() const { return m_options; }

    int framesWritten() const { return m_framesWritten; }
    // Bytes the terminal did not take (its queue was full).
    qint64 bytesDropped() const { return m_bytesDropped; }

Q_SIGNALS:
    // A frame's last chunk has been written; `number` counts from 1.
    void frameWritten(const MeterFrame &frame, int number);
    // The frame limit has been reached; nothing more is sent.
    void finished();

private:
    void sendFrame();
    void sendChunk();
    void writeBytes(const QByteArray &bytes);

    VirtualMeterOptions m_options;
    BenchSession m_session;
    std::unique_ptr<PseudoTerminal> m_pty;
    QTimer m_frameTimer;
    QTimer m_chunkTimer;
    QString m_error;

    MeterFrame m_frame; // the frame on the wire
    QByteArray m_bytes; // its 14 bytes
    int m_chunk = 0;    // next chunk to write
    int m_framesWritten = 0;
    qint64 m_bytesDropped = 0;
    bool m_unplugged = false;
};
