// The shared exceptions and the failure check.
#include "platform/Errors.h"
#include "platform/FileInRead.h"

#include "platform/Format.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qm {

bool CException::GetErrorMessage(char* buffer, size_t size) const {
    if (buffer != nullptr && size > 0)
        buffer[0] = '\0';
    return false;
}

bool CKestException::GetErrorMessage(char* buffer, size_t size) const {
    if (!message_)
        return CException::GetErrorMessage(buffer, size);
    if (buffer == nullptr || size == 0)
        return true;
    size_t n = std::min(size - 1, message_->size());
    std::memcpy(buffer, message_->data(), n);
    buffer[n] = '\0';
    return true;
}

const std::string& CKestException::Message() const {
    static const std::string empty;
    return message_ ? *message_ : empty;
}

const char* CKestException::what() const noexcept {
    return Message().c_str();
}

std::string LastErrorText() {
    char buffer[512];
    // The GNU strerror_r returns a pointer to the text, which may not be buffer.
    const char* text = strerror_r(errno, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : std::string();
}

namespace {

// The file ScopedFileInRead names; empty outside any.
std::string& FileInRead() {
    static std::string path;
    return path;
}

// Whether fatal failure checks throw CDeferredFailure instead of showing.
bool& FailuresDeferred() {
    static bool deferred = false;
    return deferred;
}

} // namespace

void CDeferredFailure::Show() const {
    MessageBox(text_, PromptIcon::Stop, PromptButtons::Ok);
}

ScopedFailureDeferral::ScopedFailureDeferral(bool defer) : previous_(FailuresDeferred()) {
    FailuresDeferred() = defer;
}

ScopedFailureDeferral::~ScopedFailureDeferral() {
    FailuresDeferred() = previous_;
}

ScopedFileInRead::ScopedFileInRead(std::string path) : previous_(std::move(FileInRead())) {
    FileInRead() = std::move(path);
}

ScopedFileInRead::~ScopedFileInRead() {
    FileInRead() = std::move(previous_);
}

void ReportOperationFailure(bool condition, const char* what, bool fatal) {
    if (condition)
        return;
    const int savedErrno = errno;
    // errno 0: no system call failed, and "Success" would explain nothing.
    const std::string system = savedErrno != 0 ? LastErrorText() : std::string();
    std::string named = what != nullptr ? what : "";
    if (!FileInRead().empty())
        named += ": " + FileInRead();
    const char* operation = named.c_str();
    if (fatal) {
        std::string text = system.empty()
                               ? Format("Operation failed: %s.", operation)
                               : Format("Operation failed: %s.\n%s", operation, system.c_str());
        errno = savedErrno;
        if (FailuresDeferred())
            throw CDeferredFailure(std::move(text));
        MessageBox(text, PromptIcon::Stop, PromptButtons::Ok);
        errno = savedErrno;
        throw CIgnoreException();
    }
    const std::string reason = system.empty() ? std::string() : system + "\n";
    PromptAnswer answer =
        MessageBox(Format("Operation failed: %s.\n%sDo you want to continue (not recommended)?",
                          operation, reason.c_str()),
                   PromptIcon::Question, PromptButtons::YesNo);
    errno = savedErrno;
    if (answer != PromptAnswer::Yes)
        throw CIgnoreException();
}

PromptAnswer ShowCommandFailure(const std::string& message) {
    std::string text = "Command failed due to an error:\n" + message;
    if (text.size() > 511)
        text.resize(511);
    return MessageBox(text, PromptIcon::Stop);
}

} // namespace qm
