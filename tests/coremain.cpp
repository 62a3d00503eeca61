// Test entry of the core tests: plain GoogleTest, no Qt application object,
// so nothing there can lean on an event loop, a display or a port.
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
