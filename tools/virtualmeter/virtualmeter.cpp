#include "virtualmeter/virtualmeter.h"

#include "link/frameencoder.h"
#include "platform/pseudoterminal.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Where each chunk starts within the frame; the last ends at byte 14.
constexpr std::array<int, 5> kChunkStarts{0, 4, 8, 11, 14};
constexpr int kChunks = static_cast<int>(kChunkStarts.size()) - 1;

int chunkDelayMs(int chunk)
{
    const int bytes = kChunkStarts[chunk + 1] - kChunkStarts[chunk];
    return static_cast<int>(std::lround(bytes * VirtualMeter::kByteMs));
}

// A different noise per frame, fixed by the seed.
std::uint64_t frameNoise(std::uint64_t seed, int number)
{
    return (seed * 0x9E3779B97F4A7C15ull) ^ (static_cast<std::uint64_t>(number) + 1);
}

} // namespace

VirtualMeter::VirtualMeter(const VirtualMeterOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_session(options.seed)
{
    m_options.intervalMs = std::max(m_options.intervalMs, kMinIntervalMs);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    m_frameTimer.setInterval(m_options.intervalMs);
    m_chunkTimer.setTimerType(Qt::PreciseTimer);
    m_chunkTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, &VirtualMeter::sendFrame);
    connect(&m_chunkTimer, &QTimer::timeout, this, &VirtualMeter::sendChunk);
}

VirtualMeter::~VirtualMeter() = default;

bool VirtualMeter::start()
{
    if (isRunning())
        return true;
    if (m_unplugged) {
        m_error = QStringLiteral("the virtual meter has been unplugged");
        return false;
    }
    if (!m_pty) {
        auto pty = std::make_unique<PseudoTerminal>();
        if (!pty->isValid()) {
            m_error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(pty->errorString());
            return false;
        }
        m_pty = std::move(pty);
    }
    m_frameTimer.start();
    return true;
}

void VirtualMeter::stop()
{
    m_frameTimer.stop();
    m_chunkTimer.stop();
}

void VirtualMeter::unplug()
{
    stop();
    m_unplugged = true;
    if (m_pty)
        m_pty->closeMaster();
}

bool VirtualMeter::isRunning() const
{
    return m_frameTimer.isActive() || m_chunkTimer.isActive();
}

QString VirtualMeter::portName() const
{
    return m_pty ? m_pty->slavePath() : QString();
}

QString VirtualMeter::errorString() const
{
    return m_error;
}

void VirtualMeter::sendFrame()
{
    if (m_chunkTimer.isActive())
        return; // the previous frame is still on the wire
    m_frame = m_session.next();
    const std::uint64_t noise = m_options.noisyBits ? frameNoise(m_options.seed, m_framesWritten) : 0;
    const auto bytes = encodeMeterFrame(m_frame, noise);
    m_bytes = QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    m_chunk = 0;
    sendChunk();
}

void VirtualMeter::sendChunk()
{
    const int start = kChunkStarts[m_chunk];
    writeBytes(m_bytes.mid(start, kChunkStarts[m_chunk + 1] - start));
    ++m_chunk;
    if (m_chunk < kChunks) {
        m_chunkTimer.start(chunkDelayMs(m_chunk - 1));
        return;
    }
    ++m_framesWritten;
    Q_EMIT frameWritten(m_frame, m_framesWritten);
    if (m_options.frameLimit > 0 && m_framesWritten >= m_options.frameLimit) {
        stop();
        Q_EMIT finished();
    }
}

void VirtualMeter::writeBytes(const QByteArray &bytes)
{
    const qint64 written = m_pty->write(bytes);
    m_bytesDropped += bytes.size() - std::max<qint64>(written, 0);
}
