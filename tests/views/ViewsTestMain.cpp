// The widget tests' main: one QApplication for the whole run (offscreen under ctest).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KVQ-test"));
    QApplication::setApplicationName(QStringLiteral("Quorvane-test"));
    return RUN_ALL_TESTS();
}
