#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "ui/interaction.h"

namespace tolvek::testing {

// Answers the program's dialogs from a script and keeps what they showed.
class ScriptedInteraction final : public Interaction {
public:
    struct Message {
        QString caption;
        QString text;
    };

    void showMessage(const QString& caption, const QString& text) override {
        messages.push_back({caption, text});
    }
    QString getOpenFileName(const OpenFileRequest& request) override {
        openRequests.push_back(request);
        if (fileAnswers.empty())
            return {};
        QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    std::vector<Message> messages;
    std::vector<OpenFileRequest> openRequests;
    std::deque<QString> fileAnswers;  // an empty answer cancels
};

}  // namespace tolvek::testing
