#include "Skiro/UI/WelcomeWindow.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/Symbols.hpp"
#include "Skiro/Tap/Accessibility.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace skiro {

namespace {

const QColor allowedColor(52, 168, 83);

// A symbol beside a column of text.
QHBoxLayout* row(QWidget* owner, std::string_view symbol, QWidget* body) {
    auto* layout = new QHBoxLayout();
    layout->setSpacing(12);
    QLabel* image =
        corvale::Symbols::label(symbol, 26, owner->palette().color(QPalette::WindowText), owner);
    layout->addWidget(image, 0, Qt::AlignTop);
    layout->addWidget(body, 1);
    return layout;
}

} // namespace

WelcomeView::WelcomeView(std::unique_ptr<WelcomeModel> model, platform::System& system,
                         bool waiting, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), system_(system) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(16);

    layout->addWidget(corvale::Labels::heading("Welcome to Skiro", 20, this));
    layout->addWidget(corvale::Labels::secondary(
        "Your trackpad and your mouse, each scrolling its own way.", this));

    // Accessibility: what to do while it is missing, and what it means once allowed.
    auto* permission = new QWidget(this);
    auto* permissionColumn = new QVBoxLayout(permission);
    permissionColumn->setContentsMargins(0, 0, 0, 0);
    asking_ = new QWidget(permission);
    auto* askingColumn = new QVBoxLayout(asking_);
    askingColumn->setContentsMargins(0, 0, 0, 0);
    askingColumn->addWidget(
        corvale::Labels::text("Skiro needs Accessibility to see scrolling. It changes "
                              "which way scrolling goes, and nothing else.",
                              asking_));
    auto* buttons = new QHBoxLayout();
    auto* allow = new QPushButton(QStringLiteral("Allow Accessibility"), asking_);
    auto* open = new QPushButton(QStringLiteral("Open System Settings"), asking_);
    buttons->addWidget(allow);
    buttons->addWidget(open);
    buttons->addStretch();
    askingColumn->addLayout(buttons);
    QObject::connect(allow, &QPushButton::clicked, this, [this] {
        system_.permissions().isProcessTrustedWithOptions(true);
        Accessibility::openSettings(system_);
    });
    QObject::connect(open, &QPushButton::clicked, this,
                     [this] { Accessibility::openSettings(system_); });
    allowed_ = new QWidget(permission);
    auto* allowedRow = new QHBoxLayout(allowed_);
    allowedRow->setContentsMargins(0, 0, 0, 0);
    allowedRow->addWidget(
        corvale::Labels::text("Allowed. Skiro sees scrolling, and changes only which way it goes.",
                              allowed_),
        1);
    allowedRow->addWidget(
        corvale::Symbols::label("checkmark.circle.fill", 18, allowedColor, allowed_));
    permissionColumn->addWidget(asking_);
    permissionColumn->addWidget(allowed_);
    layout->addLayout(row(this, "lock.open", permission));

    WelcomeModel& shown = *model_;
    setup_ = new ScrollingSetup(
        shown.test(), shown.directions(),
        [&shown](Device device, Axis axis, Direction direction) {
            shown.choose(device, axis, direction);
        },
        this);
    layout->addWidget(setup_);
    directions_ = shown.subscribe(
        [this](const Directions& directions) { setup_->grid().setDirections(directions); });

    auto* pause = new QWidget(this);
    auto* pauseColumn = new QVBoxLayout(pause);
    pauseColumn->setContentsMargins(0, 0, 0, 0);
    pauseColumn->addWidget(corvale::Labels::heading("Pause from the menu bar", pause));
    pauseColumn->addWidget(
        corvale::Labels::secondary("While paused, scrolling follows System Settings. "
                                   "Settings is there too, with this test in Scrolling.",
                                   pause));
    layout->addLayout(row(this, "menubar.rectangle", pause));

    auto* ending = new QHBoxLayout();
    auto* login = new QCheckBox(QStringLiteral("Open at login"), this);
    login->setChecked(shown.openAtLogin);
    QObject::connect(login, &QCheckBox::toggled, this,
                     [&shown](bool on) { shown.openAtLogin = on; });
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setDefault(true);
    done->setAutoDefault(true);
    QObject::connect(done, &QPushButton::clicked, this, [this] { finish(); });
    ending->addWidget(login);
    ending->addStretch();
    ending->addWidget(done);
    layout->addLayout(ending);
    setWaiting(waiting);
}

void WelcomeView::setWaiting(bool waiting) {
    asking_->setVisible(waiting);
    allowed_->setVisible(!waiting);
    setup_->test().setWaiting(waiting);
}

void WelcomeView::finish() {
    model_->done();
    window()->close();
}

} // namespace skiro
