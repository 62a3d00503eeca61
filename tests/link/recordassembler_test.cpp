#include "link/recordassembler.h"

#include <gtest/gtest.h>

TEST(RecordAssembler, CaptionsInForceStartAsTheDisplayAndRepeatWhenUnset)
{
    RecordAssembler assembler;
    Reading bare; // a function code without a table row: no captions
    bare.value = 777;
    bare.displayText = QStringLiteral("00777");
    MeasurementRecord r = assembler.assemble(bare, QStringLiteral("t0"));
    EXPECT_EQ(r.function, "");
    EXPECT_EQ(r.unit, "UNIT");
    EXPECT_EQ(r.value, 777);
    EXPECT_EQ(r.data, "00777");
    EXPECT_EQ(r.time, "t0");

    Reading dc;
    dc.functionCaption = QStringLiteral("VDC");
    dc.unitCaption = QStringLiteral("V");
    dc.displayText = QStringLiteral("1.2345");
    r = assembler.assemble(dc, QStringLiteral("t1"));
    EXPECT_EQ(r.function, "VDC");
    EXPECT_EQ(r.unit, "V");

    r = assembler.assemble(bare, QStringLiteral("t2"));
    EXPECT_EQ(r.function, "VDC");
    EXPECT_EQ(r.unit, "V");
    EXPECT_EQ(assembler.function(), "VDC");
}

TEST(RecordAssembler, TheStoreNumbersWhatItAppends)
{
    SharedState store;
    RecordAssembler assembler;
    Reading reading;
    reading.displayText = QStringLiteral("0.500");
    EXPECT_EQ(store.nextNumber(), 1);
    EXPECT_EQ(store.append(assembler.assemble(reading, {})), 1);
    EXPECT_EQ(store.append(assembler.assemble(reading, {})), 2);
    EXPECT_EQ(store.gRecords[1].number, 2);
    EXPECT_EQ(store.gRecordCount(), 2);
    store.empty();
    EXPECT_EQ(store.append(assembler.assemble(reading, {})), 1);
    EXPECT_EQ(store.gRecords[0].number, 1);
    EXPECT_EQ(store.gRecords[1].number, 2); // stale above the count
}
