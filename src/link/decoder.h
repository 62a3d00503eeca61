#pragma once

#include "link/meterframe.h"
#include "link/reading.h"

// Turns a frame into a Reading through the fixed function and range tables.
// Cannot fail: codes outside the tables give a Reading with only the count.
Reading decodeMeterFrame(const MeterFrame &frame);
