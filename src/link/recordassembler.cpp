#include "link/recordassembler.h"

MeasurementRecord RecordAssembler::assemble(const Reading &reading, const QString &time)
{
    if (reading.functionCaption)
        m_function = *reading.functionCaption;
    if (reading.unitCaption)
        m_unit = *reading.unitCaption;
    MeasurementRecord record;
    record.value = reading.value;
    record.function = m_function;
    record.time = time;
    record.unit = m_unit;
    record.data = reading.displayText;
    return record;
}
