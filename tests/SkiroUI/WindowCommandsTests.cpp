#include "Skiro/UI/WindowCommands.hpp"

#include <QApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace skiro {
namespace {

QApplication& application() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "WindowCommandsTests";
    static char* argv[] = {name, nullptr};
    static QApplication shared(argc, argv);
    return shared;
}

TEST(WindowCommands, SnapshotsFollowTheAppearanceAndDrawTheIconsAsTemplates) {
    application();
    const QPalette light = QApplication::palette();
    for (const QColor& window : {QColor(236, 236, 236), QColor(30, 30, 32)}) {
        QPalette palette = light;
        palette.setColor(QPalette::Window, window);
        QApplication::setPalette(palette);
        const QImage welcome = WindowCommands::welcomePicture();
        EXPECT_EQ(welcome.width(), 1240);
        EXPECT_EQ(welcome.height() % 2, 0);
        EXPECT_EQ(welcome.pixelColor(0, 0), window);
        EXPECT_EQ(welcome.pixelColor(welcome.width() - 1, welcome.height() - 1), window);
    }
    QApplication::setPalette(light);

    // Black with alpha only, and each of the four icons leaves a mark of its own.
    const QImage icons = WindowCommands::menuBarPicture();
    int marked[4] = {0, 0, 0, 0};
    for (int y = 0; y < icons.height(); ++y) {
        for (int x = 0; x < icons.width(); ++x) {
            const QRgb pixel = icons.pixel(x, y);
            ASSERT_EQ(qRed(pixel) | qGreen(pixel) | qBlue(pixel), 0) << x << "," << y;
            if (qAlpha(pixel) > 0) {
                ++marked[std::min(3, x * 4 / icons.width())];
            }
        }
    }
    for (int count : marked) {
        EXPECT_GT(count, 100);
    }
}

} // namespace
} // namespace skiro
