#include "Skiro/UI/WhatsNewView.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/Symbols.hpp"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace skiro {

std::unique_ptr<QWidget> makeWhatsNewView(const std::vector<corvale::WhatsNew::Release>& releases) {
    const corvale::WhatsNew::Page page = corvale::WhatsNew::page(releases);
    auto view = std::make_unique<QWidget>();
    QWidget* owner = view.get();
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->setSpacing(16);
    layout->addWidget(corvale::Labels::heading(page.heading, 20, owner));
    layout->addWidget(corvale::Labels::secondary(page.subtitle, owner));
    const QColor accent = owner->palette().color(QPalette::Highlight);
    for (const corvale::WhatsNew::Row& row : page.rows) {
        auto* line = new QHBoxLayout();
        line->setSpacing(14);
        line->addWidget(corvale::Symbols::label(row.symbol, 26, accent, owner), 0, Qt::AlignTop);
        auto* column = new QVBoxLayout();
        auto* titleLine = new QHBoxLayout();
        titleLine->addWidget(corvale::Labels::heading(row.title, owner), 1);
        if (row.badge) {
            titleLine->addWidget(corvale::Labels::secondary(*row.badge, owner), 0, Qt::AlignRight);
        }
        column->addLayout(titleLine);
        column->addWidget(corvale::Labels::secondary(row.detail, owner));
        if (row.button) {
            auto* button = new QPushButton(QString::fromStdString(row.button->title), owner);
            QObject::connect(button, &QPushButton::clicked, owner, [perform = row.button->perform] {
                if (perform) {
                    perform();
                }
            });
            column->addWidget(button, 0, Qt::AlignLeft);
        }
        line->addLayout(column, 1);
        layout->addLayout(line);
    }
    layout->addStretch();
    return view;
}

} // namespace skiro
