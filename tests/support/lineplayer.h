#pragma once

// Plays a meter's line onto a pseudo-terminal in real time: a script of
// frames, each byte at its time (byte-paced as a 2400-baud wire delivers
// them, or a whole frame in one write), with damage of the kinds a real line
// shows: stray bytes in a pause, frames cut short, two frames without a
// pause between them. Knows which frames went out whole, so that a test can
// check that nothing else was ever logged.
#include "link/decoder.h"
#include "link/frameencoder.h"
#include "link/meterframe.h"
#include "platform/pseudoterminal.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <random>
#include <vector>

namespace uitesting {

class LinePlayer
{
public:
    struct Options
    {
        int frames = 100;
        int intervalMs = 200;  // start to start of consecutive frames
        bool bytePaced = true; // one byte every 4.17 ms; otherwise one write per frame
        int damagePercent = 0; // share of frames followed or replaced by damage
        std::uint32_t seed = 7;
    };

    LinePlayer(PseudoTerminal &pty, const Options &options) : m_pty(pty)
    {
        std::mt19937 random(options.seed);
        std::uniform_int_distribution<int> percent(0, 99);
        std::uniform_int_distribution<int> kind(0, 2);
        double t = options.intervalMs;
        for (int i = 0; i < options.frames; ++i) {
            MeterFrame f;
            f.functionCode = 0; // AC volts: every count has its own text
            f.displayCount = static_cast<std::uint16_t>(1000 + i);
            const auto encoded = encodeMeterFrame(f, 0x5A5A5A5A5A5A5A5Aull + static_cast<std::uint64_t>(i));
            const QByteArray bytes(reinterpret_cast<const char *>(encoded.data()), kMeterFrameSize);
            const bool damaged = options.damagePercent > 0 && percent(random) < options.damagePercent;
            const int what = damaged ? kind(random) : -1;
            if (what == 1) { // cut short: only part of it goes out
                ++m_damageSpots;
                schedule(t, bytes.left(1 + i % 12), options.bytePaced);
                t += options.intervalMs;
                continue;
            }
            schedule(t, bytes, options.bytePaced);
            m_whole.push_back(f);
            if (what == 2 && i + 1 < options.frames) { // the next one right behind it, no pause
                t += kMeterFrameSize * kByteMs;
                continue;
            }
            t += options.intervalMs;
            if (what == 0) { // a stray byte in a long pause, quiet on both sides
                ++m_damageSpots;
                schedule(t, QByteArray(1, char(0x3C + i % 7)), false);
                t += options.intervalMs;
            }
        }
        m_endMs = t;
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        m_clock.start();
        m_timer.start();
    }
    bool done() const { return m_next == m_writes.size(); }
    // The frames sent whole, in order.
    const std::vector<MeterFrame> &whole() const { return m_whole; }
    // Stray bytes and cut frames: each may cost the damaged frame and the next.
    int damageSpots() const { return m_damageSpots; }
    double durationMs() const { return m_endMs; }

    // The readings the whole frames show, in order (each one different).
    QStringList wholeTexts() const
    {
        QStringList texts;
        for (const MeterFrame &f : m_whole)
            texts << decodeMeterFrame(f).displayText;
        return texts;
    }

    // Whether `logged` is a run of the whole frames' readings, in order, with
    // at most `allowedLoss` of them missing; says what is wrong otherwise.
    static QString checkLogged(const QStringList &logged, const QStringList &whole, int allowedLoss)
    {
        qsizetype j = 0;
        for (qsizetype i = 0; i < logged.size(); ++i) {
            while (j < whole.size() && whole[j] != logged[i])
                ++j;
            if (j == whole.size())
                return QStringLiteral("reading %1 (%2) was never sent whole, or came out of order")
                    .arg(i + 1)
                    .arg(logged[i]);
            ++j;
        }
        const int lost = int(whole.size()) - int(logged.size());
        if (lost > allowedLoss)
            return QStringLiteral("%1 whole frames lost, at most %2 allowed").arg(lost).arg(allowedLoss);
        return {};
    }

    static constexpr double kByteMs = 10.0 * 1000.0 / 2400.0;

private:
    struct Write
    {
        double atMs;
        QByteArray bytes;
    };

    void schedule(double atMs, const QByteArray &bytes, bool bytePaced)
    {
        if (!bytePaced) {
            m_writes.push_back({atMs, bytes});
            return;
        }
        for (qsizetype k = 0; k < bytes.size(); ++k)
            m_writes.push_back({atMs + double(k) * kByteMs, bytes.sliced(k, 1)});
    }

    // Writes what is due. A meter never shortens its pause, so when this
    // player is held up across one (a busy machine delays its timer, and the
    // receiving side in the same thread with it), the pause starts again from
    // the moment it runs: overdue bytes of one frame may go out together, as a
    // USB receiver delivers them, but never run across a pause into one burst.
    void tick()
    {
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        while (m_next < m_writes.size()) {
            const Write &w = m_writes[m_next];
            const double due = w.atMs + m_lateMs;
            if (due > now)
                break;
            const double pause = m_next > 0 ? w.atMs - m_writes[m_next - 1].atMs : 0.0;
            if (pause > kPauseMs && now - due > kHeldMs) {
                m_lateMs += now - due + pause;
                break;
            }
            m_pty.write(w.bytes);
            ++m_next;
        }
        if (done())
            m_timer.stop();
    }

    // A step longer than this is a pause (a byte takes 4.17 ms); a tick later
    // than kHeldMs was held up.
    static constexpr double kPauseMs = 20.0;
    static constexpr double kHeldMs = 10.0;

    PseudoTerminal &m_pty;
    std::vector<Write> m_writes;
    std::vector<MeterFrame> m_whole;
    int m_damageSpots = 0;
    double m_endMs = 0;
    std::size_t m_next = 0;
    double m_lateMs = 0; // how far the pauses held up have moved the line
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace uitesting
