#include "Corvale/Pasteboard.hpp"

namespace corvale {

namespace {

std::shared_ptr<Pasteboard>& installed() {
    static auto* pasteboard =
        new std::shared_ptr<Pasteboard>(std::make_shared<ProcessPasteboard>());
    return *pasteboard;
}

} // namespace

Pasteboard& Pasteboard::general() {
    return *installed();
}

void Pasteboard::setGeneral(std::shared_ptr<Pasteboard> pasteboard) {
    installed() = pasteboard ? std::move(pasteboard) : std::make_shared<ProcessPasteboard>();
}

void Pasteboard::copy(const std::string& text) {
    Pasteboard& pasteboard = general();
    pasteboard.clearContents();
    pasteboard.setString(text);
}

void ProcessPasteboard::clearContents() {
    text_.reset();
    ++clears_;
}

void ProcessPasteboard::setString(const std::string& text) {
    text_ = text;
}

std::optional<std::string> ProcessPasteboard::string() const {
    return text_;
}

} // namespace corvale
