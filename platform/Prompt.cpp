// The prompt service and its headless implementation.
#include "platform/Prompt.h"

#include "platform/Log.h"

#include <utility>

namespace qm {

namespace {
HeadlessPrompts gHeadless;
PromptService* gService = nullptr;
} // namespace

PromptAnswer DefaultAnswerOf(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
    case PromptButtons::OkCancel:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Yes;
    case PromptButtons::AbortRetryIgnore:
        return PromptAnswer::Abort;
    case PromptButtons::RetryCancel:
        return PromptAnswer::Retry;
    }
    return PromptAnswer::Ok;
}

const char* AnswerName(PromptAnswer answer) {
    switch (answer) {
    case PromptAnswer::Ok:
        return "OK";
    case PromptAnswer::Cancel:
        return "Cancel";
    case PromptAnswer::Yes:
        return "Yes";
    case PromptAnswer::No:
        return "No";
    case PromptAnswer::Abort:
        return "Abort";
    case PromptAnswer::Retry:
        return "Retry";
    case PromptAnswer::Ignore:
        return "Ignore";
    }
    return "?";
}

PromptAnswer HeadlessPrompts::Ask(const std::string& text, PromptIcon, PromptButtons buttons,
                                  PromptAnswer defaultAnswer) {
    PromptAnswer answer = defaultAnswer;
    if (!scripted.empty()) {
        answer = scripted.front();
        scripted.pop_front();
    }
    asked.push_back(text);
    // A box with one button asks nothing: only a choice's answer is shown.
    if (buttons == PromptButtons::Ok)
        Log().Append("prompt: " + text + "\n");
    else
        Log().Append("prompt: " + text + " -> " + AnswerName(answer) + "\n");
    return answer;
}

PromptService& Prompts() {
    return gService != nullptr ? *gService : gHeadless;
}

void SetPromptService(PromptService* service) {
    gService = service;
}

PromptService* Install(PromptService* service) {
    return std::exchange(gService, service);
}

PromptAnswer MessageBox(const std::string& text, PromptIcon icon, PromptButtons buttons) {
    return Prompts().Ask(text, icon, buttons, DefaultAnswerOf(buttons));
}

void MessageBeep() {
    Prompts().Beep();
}

} // namespace qm
