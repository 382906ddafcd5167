// The window tests share one application object on the offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs the program too; it must never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("rozedoz-test"));
    QCoreApplication::setApplicationName(QStringLiteral("test_app"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
