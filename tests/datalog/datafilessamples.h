#pragma once

#include "app/sharedstate.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

// The records behind the golden files datafiles_log.txt and datafiles_log.csv:
// a plain reading, a negative one, an over-range reading with its clamp value,
// an empty function caption and ohm units.
inline std::vector<MeasurementRecord> goldenRecords()
{
    auto record = [](std::int32_t number, double value, const char *function, const char *data,
                     const QString &unit, const char *seconds) {
        MeasurementRecord r;
        r.number = number;
        r.value = value;
        r.function = QString::fromUtf8(function);
        r.data = QString::fromUtf8(data);
        r.unit = unit;
        r.time = QStringLiteral("12/9/26\\2:03:%1 PM").arg(QLatin1String(seconds));
        return r;
    };
    return {
        record(1, 12.345, "VDC", "12.345", QStringLiteral("V"), "09"),
        record(2, -123.45, "VDC", "-123.45", QStringLiteral("mV"), "10"),
        record(3, 400.0, "R/DIODE/BEEP/CAP", ".OL", QStringLiteral("Ω"), "11"),
        record(4, 0.5, "", "0.500", QStringLiteral("KΩ"), "12"),
        record(5, -400.0, "VAC/HZ/%", ".OL", QStringLiteral("mV"), "13"),
    };
}

inline const QString kGoldenDate = QStringLiteral("12/9/26");
inline const QString kGoldenTime = QStringLiteral("2:03:09 PM");

inline QByteArray readGolden(const char *name)
{
    QFile file(QStringLiteral(QUENVO_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// `count` records of realistic size, enough to span several write chunks.
inline std::vector<MeasurementRecord> manyRecords(int count)
{
    std::vector<MeasurementRecord> records(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        MeasurementRecord &r = records[static_cast<std::size_t>(i)];
        r.number = i + 1;
        r.value = (i % 8000 - 4000) / 100.0;
        r.data = QString::number(r.value, 'f', 2);
        r.function = QStringLiteral("VDC");
        r.unit = QStringLiteral("V");
        r.time = QStringLiteral("12/9/26\\2:03:09 PM");
    }
    return records;
}
