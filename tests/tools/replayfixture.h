#pragma once

// A capture of our own making for replay tests, and the logs it must give
// with the clock at 2024-05-17 14:03:09 and the en_US locale
// (tests/data/log_replay_*).

#include "link/frameencoder.h"
#include "support/meterframes.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <gtest/gtest.h>

#include <vector>

namespace replayfixture {

inline const QDateTime kClock(QDate(2024, 5, 17), QTime(14, 3, 9));
inline const char *const kClockIso = "2024-05-17T14:03:09";
inline const QLocale kLocale(QLocale::English, QLocale::UnitedStates);
inline const char *const kLocaleName = "en_US.UTF-8";

using testframes::frame;

// Chosen for the captions rule (a code without a table row first and later),
// over-range both ways, the ohm sign, and the CSV value forms.
inline std::vector<MeterFrame> frames()
{
    std::vector<MeterFrame> f{
        frame(12, 0, 0, 777),        // no row: empty function caption, unit "UNIT"
        frame(1, 0, 2, 12345),       // 12.345 V
        frame(1, 0, 1, 12345, true), // -1.2345 V
        frame(0, 0, 3, 23012),       // 230.12 V AC+DC, held
        frame(3, 0, 5, 44000),       // open leads: .OL, 40 MOhm
        frame(3, 0, 2, 4700),        // 4.700 kOhm
        frame(12, 0, 0, 5),          // no row: captions of the reading before
        frame(4, 0, 0, 235),         // 23.5 C, relative
        frame(1, 0, 1, 5000),        // 0.5 V: ".5" in the CSV
        frame(1, 0, 0, 12, true),    // -0.12 mV: "-.12"
        frame(0, 0, 0, 40001, true), // over-range negative: -400
        frame(2, 0, 1, 5000),        // 50.00 Hz
    };
    f[3].acPlusDc = true;
    f[3].hold = true;
    f[7].rel = true;
    return f;
}

inline QByteArray capture()
{
    QByteArray bytes;
    std::uint64_t noise = 1;
    for (const MeterFrame &f : frames()) {
        const auto encoded = encodeMeterFrame(f, noise++);
        bytes.append(reinterpret_cast<const char *>(encoded.data()), kMeterFrameSize);
    }
    return bytes;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing: ") + path.toUtf8() + '>';
}

inline QString goldenPath(const char *name)
{
    return QStringLiteral(QUENVO_TEST_DATA "/") + QLatin1String(name);
}

// Compares with a golden file; on a difference the actual bytes are kept in
// the temporary folder for inspection.
inline void expectGolden(const QByteArray &actual, const char *name)
{
    const QByteArray golden = readFile(goldenPath(name));
    if (actual == golden)
        return;
    const QString kept = QDir::temp().filePath(QStringLiteral("quenvo-actual-") + QLatin1String(name));
    writeFile(kept, actual);
    ADD_FAILURE() << name << " differs from the golden file; actual output kept in " << kept.toStdString();
}

// Lines of a log, each with its CR LF; fails on a line without one.
inline QList<QByteArray> crlfLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    EXPECT_TRUE(lines.takeLast().isEmpty()) << "the last line has no line end";
    for (const QByteArray &line : lines)
        EXPECT_TRUE(line.endsWith('\r')) << "line without CR: " << line.toStdString();
    return lines;
}

} // namespace replayfixture
