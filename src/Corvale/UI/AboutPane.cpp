#include "Corvale/UI/AboutPane.hpp"

#include "Corvale/Diagnostics.hpp"
#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/SettingsWindow.hpp"
#include "Corvale/UI/Symbols.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Text.hpp"

#include <QCheckBox>
#include <QDateTime>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace corvale {

namespace {

constexpr auto copiedFor = std::chrono::seconds(2);

// Room beside a button's caption however tightly the style fits it, kept when the caption
// changes to a shorter one.
void padded(QPushButton& button) {
    button.setMinimumWidth(button.sizeHint().width() + 16);
}

QString versionLine() {
    Bundle bundle = Bundle::main();
    std::string line = "Version " + bundle.string(Bundle::shortVersionKey).value_or("?");
    if (std::optional<std::string> build = bundle.string(Bundle::versionKey)) {
        line += " (" + *build + ")";
    }
    return QString::fromStdString(line);
}

} // namespace

std::string AboutPane::diagnosticsText(const Texts& texts) {
    const std::string name = AppIdentity::current().name;
    return "Diagnostics are for bug reports: versions, how your Mac is set up, your settings, " +
           texts.diagnosticsHave +
           ", any recent hangs and the last 10 minutes of the log, ready to paste. " +
           texts.privacy + " Detailed logging records more of what " + name + " decides (" +
           texts.detailedAbout + "). In Terminal, `" + asciiLowercased(name) +
           " diagnostics` prints the same.";
}

AboutPane::AboutPane(QIcon icon, Texts texts, Links links, Flag detailedLogging, Updates& updates,
                     QWidget* parent)
    : QWidget(parent), texts_(std::move(texts)), links_(std::move(links)),
      detailedLogging_(std::move(detailedLogging)), updates_(updates) {
    QWidget* body = scrollingBody(*this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(16);

    column->addWidget(header(icon));
    column->addWidget(updatesSection());

    auto* troubleshooting = new QGroupBox(QStringLiteral("Troubleshooting"), body);
    auto* troubleshootingRows = new QVBoxLayout(troubleshooting);
    logging_ = new QCheckBox(QStringLiteral("Detailed logging"), troubleshooting);
    troubleshootingRows->addWidget(logging_);
    QObject::connect(logging_, &QCheckBox::toggled, this, [this](bool on) {
        if (detailedLogging_.set && on != detailedLogging_.get()) {
            detailedLogging_.set(on);
        }
    });
    column->addWidget(troubleshooting);

    auto* diagnostics = new QGroupBox(QStringLiteral("Diagnostics"), body);
    auto* diagnosticsRows = new QVBoxLayout(diagnostics);
    QLabel* sentence = Labels::text(diagnosticsText(texts_), diagnostics);
    sentence->setObjectName(QStringLiteral("diagnosticsText"));
    diagnosticsRows->addWidget(sentence);
    auto* copyRow = new QHBoxLayout();
    copy_ = new QPushButton(QStringLiteral("Copy Diagnostics"), diagnostics);
    // Wide enough for both captions, so the row does not jump.
    padded(*copy_);
    copyRow->addWidget(copy_);
    copyRow->addStretch(1);
    diagnosticsRows->addLayout(copyRow);
    QObject::connect(copy_, &QPushButton::clicked, this, [this] {
        copy_->setEnabled(false);
        QPointer<QPushButton> button = copy_;
        Diagnostics::copy([button] {
            if (!button) {
                return;
            }
            button->setText(QStringLiteral("Copied"));
            button->setEnabled(true);
            QTimer::singleShot(copiedFor, button,
                               [button] { button->setText(QStringLiteral("Copy Diagnostics")); });
        });
    });
    column->addWidget(diagnostics);
    column->addStretch(1);

    if (detailedLogging_.subscribe) {
        loggingChanges_ = detailedLogging_.subscribe([this] { refresh(); });
    }
    updateChanges_ =
        updates_.subscribe([this](const Updates::Shown& shown) { showUpdates(shown); });
    refresh();
}

QWidget* AboutPane::header(const QIcon& icon) {
    auto* header = new QWidget(this);
    auto* stack = new QVBoxLayout(header);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);
    auto* row = new QHBoxLayout();
    row->setSpacing(18);
    auto* picture = new QLabel(header);
    picture->setPixmap(icon.pixmap(80, 80));
    picture->setAlignment(Qt::AlignTop);
    row->addWidget(picture, 0, Qt::AlignTop);

    auto* lines = new QVBoxLayout();
    lines->setSpacing(4);
    auto* name = new QLabel(QString::fromStdString(AppIdentity::current().name), header);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.7);
    big.setBold(true);
    name->setFont(big);
    lines->addWidget(name);
    lines->addWidget(Labels::text(texts_.tagline, header));
    QLabel* version = Labels::secondary("", header);
    version->setText(versionLine());
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lines->addWidget(version);
    lines->addWidget(Labels::secondary(texts_.requirements, header));

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    auto add = [&](const QString& title, std::function<void()> action) {
        auto* button = new QPushButton(title, header);
        padded(*button);
        QObject::connect(button, &QPushButton::clicked, header, [action = std::move(action)] {
            if (action) {
                action();
            }
        });
        buttons->addWidget(button);
        return button;
    };
    auto open = [this](const std::string& address) {
        return [this, address] {
            if (links_.open) {
                links_.open(address);
            }
        };
    };
    add(QStringLiteral("What's New"), links_.whatsNew);
    add(QStringLiteral("License"), open(links_.license));
    add(QStringLiteral("Developer"), open(links_.developer));
    QPushButton* tip = add(QStringLiteral("Buy me a coffee"), open(links_.tip));
    tip->setIcon(
        QIcon(Symbols::image("cup.and.heat.waves", 16, palette().color(QPalette::ButtonText))));
    buttons->addStretch(1);
    row->addLayout(lines, 1);
    stack->addLayout(row);
    stack->addLayout(buttons);
    return header;
}

QWidget* AboutPane::updatesSection() {
    auto* section = new QGroupBox(QStringLiteral("Updates"), this);
    auto* rows = new QVBoxLayout(section);
    if (!Updates::isConfigured()) {
        rows->addWidget(Labels::text(Updates::notConfiguredMessage, section));
        return section;
    }
    const std::string name = AppIdentity::current().name;
    checks_ = new QCheckBox(QStringLiteral("Check for updates automatically"), section);
    installs_ =
        new QCheckBox(QStringLiteral("Download and install updates automatically"), section);
    rows->addWidget(checks_);
    rows->addWidget(installs_);
    QObject::connect(checks_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != updates_.checksAutomatically()) {
            updates_.setChecksAutomatically(on);
        }
    });
    QObject::connect(installs_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != updates_.installsAutomatically()) {
            updates_.setInstallsAutomatically(on);
        }
    });
    auto* checkRow = new QHBoxLayout();
    lastChecked_ = Labels::secondary("", section);
    checkRow->addWidget(lastChecked_, 1);
    auto* checkNow = new QPushButton(QStringLiteral("Check Now"), section);
    QObject::connect(checkNow, &QPushButton::clicked, this, [this] {
        updates_.checkNow();
        refresh();
    });
    checkRow->addWidget(checkNow);
    rows->addLayout(checkRow);
    rows->addWidget(Labels::secondary(name +
                                          " looks for a new version once a day. Updates installed "
                                          "automatically take effect the next time " +
                                          name + " starts.",
                                      section));
    return section;
}

void AboutPane::refresh() {
    if (detailedLogging_.get) {
        QSignalBlocker quiet(logging_);
        logging_->setChecked(detailedLogging_.get());
    }
    showUpdates(updates_.shown());
}

void AboutPane::showUpdates(const Updates::Shown& shown) {
    if (checks_ != nullptr) {
        QSignalBlocker quietChecks(checks_);
        QSignalBlocker quietInstalls(installs_);
        checks_->setChecked(shown.checksAutomatically);
        installs_->setChecked(shown.installsAutomatically);
        QString when = QStringLiteral("Never");
        if (const std::optional<Updates::Date>& date = shown.lastChecked) {
            const auto milliseconds =
                std::chrono::duration_cast<std::chrono::milliseconds>(date->time_since_epoch());
            when = QLocale().toString(QDateTime::fromMSecsSinceEpoch(milliseconds.count()),
                                      QLocale::ShortFormat);
        }
        lastChecked_->setText(QStringLiteral("Last checked: ") + when);
    }
}

} // namespace corvale
