#include "Skiro/UI/WindowCommands.hpp"

#include "Corvale/UI/QtPanels.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Desk.hpp"
#include "Support/Framework.hpp"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPalette>
#include <QTimer>

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

// The toolkit's panels, answered as a user would once each is up.
TEST(QtPanels, AlertsAreTitledAsTheAppAndFilesAreAskedForFromTheHomeFolder) {
    test::application();
    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{appIdentity()};
    QString title;
    int lines = 0;
    QString folder;
    const auto answer = [&] {
        QTimer::singleShot(0, [&] {
            QWidget* panel = QApplication::activeModalWidget();
            ASSERT_NE(panel, nullptr);
            if (auto* dialog = qobject_cast<QFileDialog*>(panel)) {
                folder = dialog->directory().absolutePath();
            } else {
                title = panel->windowTitle();
                const QLabel* text =
                    panel->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
                lines = text->fontMetrics()
                            .boundingRect(text->contentsRect(), Qt::TextWordWrap, text->text())
                            .height() /
                        text->fontMetrics().lineSpacing();
            }
            panel->close();
        });
    };
    corvale::QtPanels panels;
    answer();
    EXPECT_EQ(panels.runAlert({.message = "Replace your settings?",
                               .informativeText = "Skiro will use the settings in “mine.json”. "
                                                  "Your current ones are replaced; export them "
                                                  "first to keep a copy.",
                               .buttons = {"Replace", "Cancel"}}),
              1u);
    EXPECT_EQ(title, "Skiro");
    EXPECT_LE(lines, 2);
    answer();
    EXPECT_FALSE(panels.askToOpen({.allowedExtensions = {"json"}}));
    EXPECT_EQ(folder.toStdString(), home.path().string());
}

} // namespace
} // namespace skiro
