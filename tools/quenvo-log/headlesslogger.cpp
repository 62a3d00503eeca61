#include "quenvo-log/headlesslogger.h"

#include "datalog/datafiles.h"
#include "link/decoder.h"
#include "platform/qtserialcontrol.h"
#include "platform/receiverlookup.h"
#include "platform/timetexts.h"

#include <QElapsedTimer>

#include <cstring>
#include <span>
#include <utility>

namespace {

QString noReceiverMessage(const QString &sysfsRoot)
{
    const QStringList ports = receiverlookup::listSerialPorts(sysfsRoot);
    return QStringLiteral("no meter receiver found (no serial port is driven by %1).\n"
                          "Serial ports seen: %2.\n"
                          "Plug in the receiver, or name its port with --port DEVICE.")
        .arg(receiverlookup::kReceiverDriver,
             ports.isEmpty() ? QStringLiteral("none") : ports.join(QStringLiteral(", ")));
}

// The text-log record line that ends `out` (from `lineStart` on) made a line
// for a terminal or a pipe: the line feed alone ends it.
void endAsStdoutLine(QByteArray &out, qsizetype lineStart)
{
    qsizetype end = out.size();
    while (end > lineStart && (out.at(end - 1) == '\n' || out.at(end - 1) == '\r'))
        --end;
    out.resize(end);
    out += '\n';
}

} // namespace

HeadlessLogger::HeadlessLogger(const LoggerOptions &options, QIODevice &out, QIODevice &err, QObject *parent)
    : QObject(parent), m_options(options), m_out(out), m_err(err)
{
    m_watchdog.setInterval(ReceivePath::kWatchdogMs);
    connect(&m_watchdog, &QTimer::timeout, this, &HeadlessLogger::watchdogTick);
    m_durationTimer.setSingleShot(true);
    connect(&m_durationTimer, &QTimer::timeout, this, &HeadlessLogger::stop);
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &HeadlessLogger::warnSilence);
    // Queued: the standard output writes from inside the replay loop.
    connect(&m_out, &QIODevice::bytesWritten, this, &HeadlessLogger::consoleWritten, Qt::QueuedConnection);
}

namespace {
constexpr int kFirstSilenceWarningMs = 10000;
constexpr int kLaterSilenceWarningMs = 60000;
} // namespace

// The port is open and nothing useful has come for a while.
void HeadlessLogger::warnSilence()
{
    if (m_finished)
        return;
    const int waited = m_silence.interval();
    m_err.write(QStringLiteral("quenvo-log: no reading from %1 in the last %2 s; check that the meter is "
                               "switched on and sending to its receiver.\n")
                    .arg(m_devicePath)
                    .arg(waited / 1000)
                    .toLocal8Bit());
    m_silence.start(kLaterSilenceWarningMs);
}

HeadlessLogger::~HeadlessLogger()
{
    if (!m_finished)
        shutDown();
}

void HeadlessLogger::start()
{
    if (m_started)
        return;
    m_started = true;
    switch (m_options.source) {
    case LoggerOptions::Source::Replay:
        runReplay();
        return;
    case LoggerOptions::Source::Port:
        startLive(m_options.port);
        return;
    case LoggerOptions::Source::Lookup: {
        const QString port = receiverlookup::findReceiverPort(m_options.sysfsRoot);
        if (port.isEmpty()) {
            fail(UsageError, noReceiverMessage(m_options.sysfsRoot));
            return;
        }
        startLive(port);
        return;
    }
    case LoggerOptions::Source::Demo:
        m_meter = std::make_unique<VirtualMeter>(m_options.demo);
        if (!m_meter->start()) {
            fail(RuntimeFailure,
                 QStringLiteral("the virtual meter cannot start: %1").arg(m_meter->errorString()));
            return;
        }
        startLive(m_meter->portName());
        return;
    }
}

void HeadlessLogger::stop()
{
    if (m_started)
        finish(Success);
}

// Files are checked, opened and given their first lines before any reading
// arrives; none is opened while any pair of them (or one and the replay file)
// is one file.
bool HeadlessLogger::openOutputs()
{
    using logoutputs::Format;
    const std::vector<logoutputs::Output> outputs{
        {QStringLiteral("--csv"), m_options.csvFile, Format::Csv},
        {QStringLiteral("--text"), m_options.textFile, Format::Text},
        {QStringLiteral("--capture"), m_options.captureFile, Format::Capture},
    };
    const QString replay =
        m_options.source == LoggerOptions::Source::Replay ? m_options.replayFile : QString();
    if (const QString conflict = logoutputs::sameFileConflict(outputs, replay); !conflict.isEmpty()) {
        fail(UsageError, conflict);
        return false;
    }
    qint64 lastNumber = 0;
    bool needsHeading = true;
    if (!m_options.csvFile.isEmpty()) {
        if (!openOutput(m_csv, outputs[0], lastNumber, needsHeading) ||
            (needsHeading && !writeOutput(m_csv, datafiles::csvHeaderLine())))
            return false;
    }
    if (!m_options.textFile.isEmpty()) {
        const QDateTime now = TimeTexts::now();
        const QByteArray title =
            datafiles::textTitleLine(kTitleSave, TimeTexts::dateText(now), TimeTexts::timeText(now));
        if (!openOutput(m_text, outputs[1], lastNumber, needsHeading) ||
            (needsHeading && !writeOutput(m_text, title + QByteArrayLiteral("\r\n"))))
            return false;
    }
    if (!m_options.captureFile.isEmpty() && !openOutput(m_capture, outputs[2], lastNumber, needsHeading))
        return false;
    m_numberOffset = lastNumber;
    return true;
}

// Opens one output; `lastNumber` becomes the highest last record number of
// the logs continued so far, so that no number is given twice in either.
bool HeadlessLogger::openOutput(QFile &file, const logoutputs::Output &output, qint64 &lastNumber,
                                bool &needsHeading)
{
    const logoutputs::Opened opened = logoutputs::open(file, output, m_options.existing);
    if (!opened.ok) {
        fail(opened.usageError ? UsageError : RuntimeFailure, opened.message);
        return false;
    }
    if (!opened.notice.isEmpty())
        m_err.write(QStringLiteral("quenvo-log: %1\n").arg(opened.notice).toLocal8Bit());
    lastNumber = std::max(lastNumber, opened.lastNumber);
    needsHeading = opened.needsHeading;
    return true;
}

bool HeadlessLogger::writeFile(QFile &file, const QByteArray &bytes)
{
    return !file.isOpen() || (file.write(bytes) == bytes.size() && file.flush());
}

bool HeadlessLogger::writeOutput(QFile &file, const QByteArray &bytes)
{
    if (writeFile(file, bytes))
        return true;
    fail(RuntimeFailure, QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
    return false;
}

void HeadlessLogger::runReplay()
{
    m_replay.setFileName(m_options.replayFile);
    if (!m_replay.open(QIODevice::ReadOnly)) {
        fail(RuntimeFailure,
             QStringLiteral("cannot read %1: %2").arg(m_options.replayFile, m_replay.errorString()));
        return;
    }
    if (!openOutputs())
        return;
    QMetaObject::invokeMethod(this, &HeadlessLogger::replaySlice, Qt::QueuedConnection);
}

// Logs the frames of the capture for about kReplaySliceMs, then lets the
// event loop turn (a stop request is served between two slices). While the
// standard output has a backlog, the next slice waits until it has gone out.
// Frames are read kReplayBatch at a time; the lines of a batch go out
// together when it is done (the very first reading of the run alone, so that
// an output that takes nothing is found at once).
void HeadlessLogger::replaySlice()
{
    QElapsedTimer slice;
    slice.start();
    while (!m_finished && !m_replayEnding) {
        if (m_out.bytesToWrite() > kReplayBacklog) {
            afterConsoleBacklog(kReplayBacklog / 2, &HeadlessLogger::replaySlice);
            return;
        }
        if (slice.elapsed() >= kReplaySliceMs) {
            QMetaObject::invokeMethod(this, &HeadlessLogger::replaySlice, Qt::QueuedConnection);
            return;
        }
        if (!readReplayBatch())
            return;
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(m_replayBatch.constData());
        const qsizetype frames = m_replayBatch.size() / qsizetype(kMeterFrameSize);
        for (; m_replayFrame < frames && !m_finished && !m_replayEnding; ++m_replayFrame) {
            logFrame(ReceivePath::Frame::fromBytes(std::span<const std::uint8_t, kMeterFrameSize>(
                bytes + m_replayFrame * qsizetype(kMeterFrameSize), kMeterFrameSize)));
            if (m_count == 1 && !m_finished && !flushOutputs())
                return;
        }
        if (!m_finished && !flushOutputs())
            return;
    }
}

// The next batch of frames into m_replayBatch; a piece of a frame left from
// the last read is kept in front. False when the replay has ended: the end of
// the capture (a piece of a frame there is reported and ignored) or a failure.
bool HeadlessLogger::readReplayBatch()
{
    // A read waits until it has all it asks for: from a pipe, one frame at a
    // time, so that each is logged as soon as it has come.
    const qsizetype batchBytes = (m_replay.isSequential() ? 1 : kReplayBatch) * qsizetype(kMeterFrameSize);
    const qsizetype used = m_replayFrame * qsizetype(kMeterFrameSize);
    const qsizetype kept = m_replayBatch.size() - used;
    if (kept > 0)
        std::memmove(m_replayBatch.data(), m_replayBatch.constData() + used, std::size_t(kept));
    m_replayBatch.resize(batchBytes);
    m_replayFrame = 0;
    const qint64 got = m_replay.read(m_replayBatch.data() + kept, batchBytes - kept);
    if (got < 0 || m_replay.error() != QFileDevice::NoError) {
        m_replayBatch.resize(0);
        fail(RuntimeFailure,
             QStringLiteral("cannot read %1: %2").arg(m_options.replayFile, m_replay.errorString()));
        return false;
    }
    m_replayBatch.resize(kept + got);
    if (got > 0)
        return true;
    m_replayBatch.resize(0);
    if (kept > 0)
        m_err.write(QStringLiteral("quenvo-log: %1 ends with %2 bytes that do not make a whole "
                                   "14-byte frame; they were ignored.\n")
                        .arg(m_options.replayFile)
                        .arg(kept)
                        .toLocal8Bit());
    endReplay();
    return false;
}

// The replay's lines all reach the standard output before it ends; a stop
// meanwhile ends it at once.
void HeadlessLogger::endReplay()
{
    m_replayEnding = true;
    if (m_finished || !flushOutputs())
        return;
    if (m_out.bytesToWrite() > 0) {
        afterConsoleBacklog(0, &HeadlessLogger::endReplay);
        return;
    }
    finish(Success);
}

// Runs `next` once the standard output has no more than `bytes` waiting.
// One step waits at a time, and the one connection asks each time what is
// waiting now: a notice of bytes written that was queued before the step was
// set can never run or cancel a later one.
void HeadlessLogger::afterConsoleBacklog(qint64 bytes, void (HeadlessLogger::*next)())
{
    m_backlogLimit = bytes;
    m_afterBacklog = next;
}

void HeadlessLogger::consoleWritten()
{
    if (!m_afterBacklog || m_out.bytesToWrite() > m_backlogLimit)
        return;
    (this->*std::exchange(m_afterBacklog, nullptr))();
}

void HeadlessLogger::startLive(const QString &device)
{
    m_devicePath = device;
    m_serial = std::make_unique<QtSerialControl>();
    m_receive = std::make_unique<ReceivePath>(*m_serial);
    m_serial->setCommPort(device);
    if (!m_serial->open()) {
        fail(RuntimeFailure, m_serial->errorString());
        return;
    }
    if (!openOutputs())
        return;
    connect(m_serial.get(), &SerialControl::onComm, this, &HeadlessLogger::onComm);
    connect(m_serial.get(), &SerialControl::linkLost, this, &HeadlessLogger::onLinkLost);
    m_silence.start(kFirstSilenceWarningMs);
    if (m_options.durationMs > 0)
        m_durationTimer.start(std::chrono::milliseconds(m_options.durationMs));
    // Receive events off until a watchdog tick finds the line quiet.
    m_receive->pause();
    m_watchdog.start();
}

void HeadlessLogger::watchdogTick()
{
    if (m_finished)
        return;
    if (m_receive->watchdogTick() != ReceivePath::Tick::Armed)
        return;
    m_watchdog.stop();
    Q_EMIT armed();
}

void HeadlessLogger::onComm()
{
    if (m_finished)
        return;
    if (const std::optional<ReceivePath::Frame> frame = m_receive->takeFrame())
        logFrame(*frame);
}

void HeadlessLogger::onLinkLost(const QString &reason)
{
    fail(RuntimeFailure, reason);
}

void HeadlessLogger::logFrame(const ReceivePath::Frame &frame)
{
    const Reading reading = decodeMeterFrame(frame.frame);
    // The store keeps the newest readings; the run's numbering goes on.
    if (m_store.isFull()) {
        m_numberBase += m_store.gRecordCount();
        m_store.empty();
    }
    MeasurementRecord record = m_assembler.assemble(reading, TimeTexts::recordTimeNow());
    const std::int32_t n = m_store.append(record);
    m_count = m_numberBase + n;
    record.number = static_cast<std::int32_t>(m_numberOffset + m_count);

    if (m_capture.isOpen())
        m_capturePending.append(reinterpret_cast<const char *>(frame.bytes.data()), kMeterFrameSize);
    if (m_csv.isOpen())
        datafiles::appendCsvRecordLine(m_csvPending, record);
    const qsizetype stdoutStart = m_outPending.size();
    if (m_text.isOpen()) {
        const qsizetype textStart = m_textPending.size();
        datafiles::appendTextRecordLine(m_textPending, record);
        m_outPending.append(m_textPending.constData() + textStart, m_textPending.size() - textStart);
    } else {
        datafiles::appendTextRecordLine(m_outPending, record);
    }
    endAsStdoutLine(m_outPending, stdoutStart);

    // A live reading goes out at once; a replay's at the end of its batch.
    if (m_serial && !flushOutputs())
        return;
    if (m_serial)
        m_silence.start(kFirstSilenceWarningMs);
    Q_EMIT readingLogged(record, frame.frame);
    if (m_options.count > 0 && m_count >= m_options.count) {
        if (m_options.source == LoggerOptions::Source::Replay)
            endReplay();
        else
            finish(Success);
    }
}

bool HeadlessLogger::flushOutputs()
{
    const QString failure = writePending();
    if (failure.isEmpty())
        return true;
    fail(RuntimeFailure, failure);
    return false;
}

// The files first: a standard output that fails or kills the process (a
// closed pipe) must not cost them a reading. When a file fails, the other
// files still get what waits for them, the standard output does not.
// Returns why an output failed, or nothing; nothing waits afterwards.
QString HeadlessLogger::writePending()
{
    QString failure;
    const std::pair<QFile *, QByteArray *> files[] = {
        {&m_capture, &m_capturePending}, {&m_csv, &m_csvPending}, {&m_text, &m_textPending}};
    for (const auto &[file, pending] : files) {
        if (pending->isEmpty())
            continue;
        if (!writeFile(*file, *pending) && failure.isEmpty())
            failure = QStringLiteral("cannot write %1: %2").arg(file->fileName(), file->errorString());
        pending->resize(0);
    }
    if (failure.isEmpty() && !m_outPending.isEmpty() && m_out.write(m_outPending) != m_outPending.size())
        failure = QStringLiteral("cannot write the standard output: %1").arg(m_out.errorString());
    m_outPending.resize(0);
    return failure;
}

void HeadlessLogger::fail(int status, const QString &message)
{
    if (m_finished)
        return;
    m_err.write(QStringLiteral("quenvo-log: %1\n").arg(message).toLocal8Bit());
    finish(status);
}

void HeadlessLogger::finish(int status)
{
    if (m_finished)
        return;
    // What is made goes out before the files close.
    if (!m_finishing) {
        m_finishing = true;
        if (const QString failure = writePending(); !failure.isEmpty()) {
            m_err.write(QStringLiteral("quenvo-log: %1\n").arg(failure).toLocal8Bit());
            status = RuntimeFailure;
        }
    }
    // A live run that heard nothing did not do its job.
    if (status == Success && m_serial && m_count == 0) {
        m_err.write(QStringLiteral("quenvo-log: no reading was received from %1; check that the meter is "
                                   "switched on and sending to its receiver.\n")
                        .arg(m_devicePath)
                        .toLocal8Bit());
        status = RuntimeFailure;
    }
    m_finished = true;
    m_status = status;
    shutDown();
    Q_EMIT finished(status);
}

void HeadlessLogger::shutDown()
{
    m_watchdog.stop();
    m_durationTimer.stop();
    m_silence.stop();
    if (m_serial) {
        disconnect(m_serial.get(), nullptr, this, nullptr);
        m_serial->close();
    }
    if (m_meter)
        m_meter->stop();
    m_csv.close();
    m_text.close();
    m_capture.close();
    m_replay.close();
}
