#include "link/serialcontrol.h"

SerialControl::~SerialControl() = default;
