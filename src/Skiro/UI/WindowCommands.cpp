#include "Skiro/UI/WindowCommands.hpp"

#include "CorvaleCore/Files.hpp"
#include "Skiro/UI/Icon.hpp"
#include "Skiro/UI/ScrollTestModel.hpp"
#include "Skiro/UI/SettingsPane.hpp"
#include "Skiro/UI/WindowsUI.hpp"

#include <QApplication>
#include <QBuffer>
#include <QLayout>
#include <QPainter>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace skiro::WindowCommands {

namespace {

constexpr qreal scale = 2;

// The icon is 20 by 16 points; the looks stand this far apart and from the edges.
constexpr int iconWidth = 20;
constexpr int iconHeight = 16;
constexpr int iconGap = 8;

void writePNG(const QImage& image, const std::filesystem::path& file) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw corvale::FileError(corvale::FileError::Operation::write, file,
                                 "The picture could not be encoded.");
    }
    corvale::writeAtomically(
        file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace

AppCommands::Windows windows() {
    AppCommands::Windows windows;
    windows.settingsPanes = paneNames();
    windows.showSettings = [](std::size_t pane) { WindowsUI::showSettings(allPanes().at(pane)); };
    windows.showWelcome = [] { WindowsUI::showWelcome(); };
    windows.snapshot = writeSnapshots;
    windows.closeAll = [] { WindowsUI::closeAll(); };
    windows.listening = []() -> std::optional<AppCommands::ListeningTest> {
        std::shared_ptr<ScrollTestModel> test = ScrollTestModel::listening();
        std::optional<QRect> page = test ? test->pageFrame() : std::nullopt;
        if (!page) {
            return std::nullopt;
        }
        return AppCommands::ListeningTest{
            .page = {static_cast<double>(page->x()), static_cast<double>(page->y()),
                     static_cast<double>(page->width()), static_cast<double>(page->height())},
            .lastInput = test->lastInput()};
    };
    windows.switchAxis = [](Axis axis) { ScrollTestModel::switchListening(axis); };
    return windows;
}

QImage pictureOf(QWidget& content, int width) {
    content.ensurePolished();
    // As tall as the content asks to be at that width.
    const int height =
        content.hasHeightForWidth() ? content.heightForWidth(width) : content.sizeHint().height();
    content.resize(width, std::max(height, 1));
    if (QLayout* layout = content.layout()) {
        layout->activate();
    }

    QImage image(content.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(QApplication::palette().color(QPalette::Window));
    content.render(&image, QPoint(), QRegion(),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image;
}

QImage menuBarPicture() {
    const std::array<std::pair<Live::State, bool>, 4> looks{{{Live::State::running, false},
                                                             {Live::State::paused, false},
                                                             {Live::State::waiting, false},
                                                             {Live::State::running, true}}};
    const int count = static_cast<int>(looks.size());
    QImage picture(QSize(count * iconWidth + (count + 1) * iconGap, iconHeight + 2 * iconGap) *
                       scale,
                   QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (int i = 0; i < count; ++i) {
        const auto& [state, dot] = looks.at(static_cast<std::size_t>(i));
        painter.drawImage(QPointF((iconGap + i * (iconWidth + iconGap)) * scale, iconGap * scale),
                          Icon::menuBar(state, dot, scale));
    }
    return picture;
}

std::vector<std::filesystem::path> writeSnapshots(const std::filesystem::path& folder) {
    const std::filesystem::path welcome = folder / "welcome.png";
    const std::filesystem::path menuBar = folder / "menubar.png";
    writePNG(pictureOf(*WindowsUI::makeWelcomeContent(), WindowsUI::welcomeWidth), welcome);
    writePNG(menuBarPicture(), menuBar);
    return {welcome, menuBar};
}

} // namespace skiro::WindowCommands
