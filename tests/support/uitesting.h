#pragma once

// Small helpers for window tests: meter frames as wire bytes, and waiting on
// the event loop for a condition.
#include "link/frameencoder.h"
#include "link/meterframe.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>

#include <cstdint>
#include <functional>

namespace uitesting {

struct FrameCodes
{
    int function = 0;
    int subMode = 0;
    int range = 0;
    int count = 0;
    bool negative = false;
    bool hold = false;
    bool rel = false;
};

// The 14 bytes the meter sends for `codes`, with the ignored bits set.
inline QByteArray wire(const FrameCodes &codes)
{
    MeterFrame f;
    f.functionCode = static_cast<std::uint8_t>(codes.function);
    f.subMode = static_cast<std::uint8_t>(codes.subMode);
    f.rangeIndex = static_cast<std::uint8_t>(codes.range);
    f.displayCount = static_cast<std::uint16_t>(codes.count);
    f.negative = codes.negative;
    f.hold = codes.hold;
    f.rel = codes.rel;
    const auto bytes = encodeMeterFrame(f, 0x5A5A5A5A5A5A5A5Aull);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Generous: the suite also runs under sanitizers on a loaded machine.
inline constexpr int kWaitMs = 15000;

// Processes events until `done` holds or the time runs out.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = kWaitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Processes events for a while; only where nothing must happen meanwhile.
inline void settle(int ms = 150)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace uitesting
