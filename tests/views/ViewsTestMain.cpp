// The widget tests' main: one QApplication for the whole run (offscreen under ctest).
#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The file dialogs keep their state in the settings: the tests' go to a folder of their own,
    // never into the user's configuration.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KVQ-test"));
    QApplication::setApplicationName(QStringLiteral("Quorvane-test"));
    return RUN_ALL_TESTS();
}
