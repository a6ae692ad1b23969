#include "Skiro/UI/CrashNoteView.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/QtText.hpp"
#include "Corvale/UI/Symbols.hpp"
#include "CorvaleCore/AppIdentity.hpp"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace skiro {

std::unique_ptr<QWidget> makeCrashNoteView(const corvale::CrashNote::Model& model,
                                           platform::System& system) {
    namespace Note = corvale::CrashNote;
    const Note::Page page = Note::page(model);
    auto view = std::make_unique<QWidget>();
    QWidget* owner = view.get();
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(12);

    auto* top = new QHBoxLayout();
    top->setSpacing(14);
    top->addWidget(corvale::Symbols::label(page.symbol, 40,
                                           owner->palette().color(QPalette::WindowText), owner),
                   0, Qt::AlignTop);
    auto* heading = new QVBoxLayout();
    heading->addWidget(corvale::Labels::heading(page.title, 17, owner));
    heading->addWidget(corvale::Labels::text(page.explanation, owner));
    top->addLayout(heading, 1);
    layout->addLayout(top);
    for (const std::string& paragraph : page.paragraphs) {
        layout->addWidget(corvale::Labels::secondary(paragraph, owner));
    }
    auto* summary = new QPlainTextEdit(corvale::qtText(page.summary), owner);
    summary->setReadOnly(true);
    summary->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    summary->setLineWrapMode(QPlainTextEdit::NoWrap);
    summary->setFixedHeight(160);
    layout->addWidget(summary);

    auto* buttons = new QHBoxLayout();
    auto* copy = new QPushButton(corvale::qtText(Note::copyTitle), owner);
    // As wide while it reads "Copied", so that its neighbour stays put.
    copy->setMinimumWidth(copy->sizeHint().width());
    auto* issue = new QPushButton(corvale::qtText(Note::openIssueTitle), owner);
    issue->setToolTip(corvale::qtText(Note::openIssueHelp));
    auto* close = new QPushButton(corvale::qtText(Note::closeTitle), owner);
    close->setDefault(true);
    buttons->addWidget(copy);
    buttons->addWidget(issue);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    QObject::connect(copy, &QPushButton::clicked, owner, [model, copy] {
        QPointer<QPushButton> button(copy);
        Note::copyReport(model, [button] {
            if (!button) {
                return;
            }
            button->setText(corvale::qtText(Note::copiedTitle));
            QTimer::singleShot(std::chrono::milliseconds(Note::copiedFor), button, [button] {
                if (button) {
                    button->setText(corvale::qtText(Note::copyTitle));
                }
            });
        });
    });
    // The issue opens at once; the report lands on the pasteboard when it is ready.
    QObject::connect(issue, &QPushButton::clicked, owner, [model, &system] {
        Note::copyReport(model);
        system.workspace().openURL(corvale::AppIdentity::current().newIssueURL());
    });
    QObject::connect(close, &QPushButton::clicked, owner, [owner] { owner->window()->close(); });
    return view;
}

} // namespace skiro
