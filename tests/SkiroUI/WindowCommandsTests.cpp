#include "Skiro/UI/WindowCommands.hpp"

#include <QApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <cstdlib>

namespace skiro {
namespace {

TEST(WindowCommands, TheWelcomeSnapshotIsOnTheWindowBackgroundOfTheCurrentAppearance) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "WindowCommandsTests";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    for (const QColor& window : {QColor(236, 236, 236), QColor(30, 30, 32)}) {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Window, window);
        QApplication::setPalette(palette);
        const QImage welcome = WindowCommands::welcomePicture();
        EXPECT_EQ(welcome.pixelColor(0, 0), window);
        EXPECT_EQ(welcome.pixelColor(welcome.width() - 1, welcome.height() - 1), window);
    }
}

} // namespace
} // namespace skiro
