// The prompt service: message boxes and the beep. The application installs an
// implementation that shows real dialogs; batch runs and tests use the headless
// one, which logs each question and answers with a scripted or default answer.
#pragma once

#include "platform/ScopedInstall.h"

#include <deque>
#include <string>
#include <vector>

namespace qm {

enum class PromptIcon { None, Stop, Exclamation, Question, Information };

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };

enum class PromptAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

// The answer of a box's first (default) button.
PromptAnswer DefaultAnswerOf(PromptButtons buttons);
const char* AnswerName(PromptAnswer answer);

class PromptService {
  public:
    virtual ~PromptService() = default;
    // Shows text with the icon and buttons and returns the button chosen.
    virtual PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons,
                             PromptAnswer defaultAnswer) = 0;
    // The system's default beep, for refusals without a message.
    virtual void Beep() = 0;
};

// Logs every question ("prompt: <text> -> <answer>") and answers from a queue
// of scripted answers, else with the default answer.
class HeadlessPrompts : public PromptService {
  public:
    PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;
    void Beep() override { ++beeps; }

    // Answers given to the next questions, in order.
    void Script(PromptAnswer answer) { scripted.push_back(answer); }

    std::deque<PromptAnswer> scripted;
    std::vector<std::string> asked; // every text shown, in order
    int beeps = 0;
};

// The installed service; a process-wide headless one until another is installed.
PromptService& Prompts();
// Installs a service (not owned) and returns the one it replaces. Null
// restores the process-wide headless one.
PromptService* Install(PromptService* service);
void SetPromptService(PromptService* service);

// Installs a service for the lifetime of a scope.
using ScopedPromptService = ScopedInstall<PromptService>;

// Shorthands through the installed service. The default answer is the first button's.
PromptAnswer MessageBox(const std::string& text, PromptIcon icon,
                        PromptButtons buttons = PromptButtons::Ok);
void MessageBeep();

} // namespace qm
