#pragma once

#include "app/sharedstate.h"
#include "link/reading.h"

#include <QString>

// Makes the record of a reading. The record's function and unit are the
// captions in force after the reading: a reading that sets no caption
// repeats the previous reading's. At start-up no function is shown and the
// unit caption shows its design text, "UNIT" — the same texts the display
// starts with.
class RecordAssembler
{
public:
    static inline const QString kFunctionStartText = QString();
    static inline const QString kUnitStartText = QStringLiteral("UNIT");

    const QString &function() const { return m_function; }
    const QString &unit() const { return m_unit; }

    // Takes the reading's captions into force and returns its record, number
    // not yet given (the store numbers it).
    MeasurementRecord assemble(const Reading &reading, const QString &time);

private:
    QString m_function = kFunctionStartText;
    QString m_unit = kUnitStartText;
};
