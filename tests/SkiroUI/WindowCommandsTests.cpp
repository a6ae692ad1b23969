#include "Skiro/UI/WindowCommands.hpp"

#include "Desk.hpp"

#include <QApplication>
#include <QLabel>
#include <QPalette>

#include <gtest/gtest.h>

namespace skiro {
namespace {

TEST(WindowCommands, ASnapshotIsOnTheWindowBackgroundOfTheCurrentAppearance) {
    test::application();
    const QPalette before = QApplication::palette();
    for (const QColor& window : {QColor(236, 236, 236), QColor(30, 30, 32)}) {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Window, window);
        QApplication::setPalette(palette);
        QLabel content(QStringLiteral("Welcome to Skiro"));
        const QImage welcome = WindowCommands::pictureOf(content, 620);
        EXPECT_EQ(welcome.width(), 1240);
        EXPECT_EQ(welcome.pixelColor(0, 0), window);
        EXPECT_EQ(welcome.pixelColor(welcome.width() - 1, welcome.height() - 1), window);
    }
    QApplication::setPalette(before);
}

} // namespace
} // namespace skiro
