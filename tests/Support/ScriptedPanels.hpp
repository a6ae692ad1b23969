#pragma once

#include "Corvale/Panels.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

namespace corvale::test {

// Panels that answer from a script and remember every request. A panel or a question with no
// scripted answer fails the test and is answered as cancelled; an alert with no buttons (a
// failure) needs no answer.
class ScriptedPanels : public Panels {
public:
    std::deque<std::optional<std::filesystem::path>> saveAnswers;
    std::deque<std::optional<std::filesystem::path>> openAnswers;
    std::deque<std::size_t> alertAnswers;

    std::vector<SavePanel> savePanels;
    std::vector<OpenPanel> openPanels;
    std::vector<Alert> alerts;

    // Runs as each alert comes up, before it is answered (to change the world meanwhile).
    std::function<void(const Alert&)> onAlert;

    std::optional<std::filesystem::path> askToSave(const SavePanel& panel) override {
        savePanels.push_back(panel);
        return next(saveAnswers, "save panel");
    }

    std::optional<std::filesystem::path> askToOpen(const OpenPanel& panel) override {
        openPanels.push_back(panel);
        return next(openAnswers, "open panel");
    }

    std::size_t runAlert(const Alert& alert) override {
        alerts.push_back(alert);
        if (onAlert) {
            onAlert(alert);
        }
        if (alert.buttons.empty()) {
            return 0;
        }
        if (alertAnswers.empty()) {
            ADD_FAILURE() << "unexpected question: " << alert.message;
            return alert.buttons.size() - 1;
        }
        std::size_t answer = alertAnswers.front();
        alertAnswers.pop_front();
        return answer;
    }

private:
    static std::optional<std::filesystem::path>
    next(std::deque<std::optional<std::filesystem::path>>& answers, const char* what) {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected " << what;
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace corvale::test
