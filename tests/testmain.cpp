// Test entry: a Qt application object exists for every test, so that timers,
// serial ports, signal spies and windows work; windows are drawn offscreen.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Quenvo"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
