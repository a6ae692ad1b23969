#pragma once

// For the test modules that link Qt; the support library itself does not.

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <functional>

namespace corvale::test {

// Runs Qt's loop until `done` holds or ten seconds pass.
inline bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Outside a running loop the toolkit deletes nothing by itself.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

} // namespace corvale::test
