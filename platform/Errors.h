// The shared exceptions and the failure check. Failures are exceptions:
// CKestException carries a message and a code and is shown by whoever catches
// it; CIgnoreException means the user has already been told and only unwinds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace qm {

// The base of the program's own exceptions.
class CException : public std::exception {
  public:
    // Copies at most size - 1 characters of the message into buffer and
    // terminates it. Returns false (and an empty buffer) when there is none.
    virtual bool GetErrorMessage(char* buffer, size_t size) const;
    const char* what() const noexcept override { return ""; }
};

// An error with a message (copied and owned, may be absent) and a code.
class CKestException : public CException {
  public:
    CKestException() = default;
    explicit CKestException(std::string message, int32_t code = 0)
        : message_(std::move(message)), code_(code) {}

    bool GetErrorMessage(char* buffer, size_t size) const override;
    int32_t GetCode() const { return code_; }
    bool HasMessage() const { return message_.has_value(); }
    // The message, or "" when there is none.
    const std::string& Message() const;
    const char* what() const noexcept override;

  private:
    std::optional<std::string> message_;
    int32_t code_ = 0;
};

// Thrown after the user has seen the failure; every handler lets it pass silently.
class CIgnoreException : public CException {};

// The operating system's text for the last error (errno) of this thread.
std::string LastErrorText();

// The failure check. A true condition returns at once. Otherwise, fatal shows
// "Operation failed: %s.\n%s" (what, the system's text for the last error)
// with a stop icon and throws CIgnoreException; not fatal asks the same
// followed by "\nDo you want to continue (not recommended)?" and returns on
// Yes, throws CIgnoreException on No. A null what counts as "".
void ReportOperationFailure(bool condition, const char* what, bool fatal = true);
inline void ReportOperationFailure(bool condition, const std::string& what, bool fatal = true) {
    ReportOperationFailure(condition, what.c_str(), fatal);
}

enum class PromptAnswer;

// The box of a command that failed on an exception: "Command failed due to
// an error:" and the message, with a stop icon, the whole text held in 512
// characters. Returns the answer (OK, unless a test scripts another).
PromptAnswer ShowCommandFailure(const std::string& message);

} // namespace qm
