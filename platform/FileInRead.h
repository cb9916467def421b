// The name of the file being read, which the failure check puts after its
// text so that a message about a file's contents says which file.
#pragma once

#include "platform/Errors.h"

#include <string>

namespace qm {

// While one lives, the failure check names the file being read after its
// text ("bad file header: /path/x.pro"), so that a message about a file's
// contents says which file. Nested ones name the innermost file.
class ScopedFileInRead {
  public:
    explicit ScopedFileInRead(std::string path);
    ~ScopedFileInRead();
    ScopedFileInRead(const ScopedFileInRead&) = delete;
    ScopedFileInRead& operator=(const ScopedFileInRead&) = delete;

  private:
    std::string previous_;
};

// A fatal failure check's message, not shown yet: thrown in place of
// showing it while a ScopedFailureDeferral is in force. It passes every
// handler that lets CIgnoreException pass; whoever ends the operation shows
// it (Show) once it has taken away what the operation left half done.
class CDeferredFailure : public CIgnoreException {
  public:
    explicit CDeferredFailure(std::string text) : text_(std::move(text)) {}
    const std::string& Text() const { return text_; }
    // The message box the failure check would have shown.
    void Show() const;

  private:
    std::string text_;
};

// While one lives with defer true, a fatal failure check throws
// CDeferredFailure with its message instead of showing it; one with defer
// false (a template read inside the project read, whose failures are shown
// where they happen) lifts that for its own lifetime. Questions and the
// non-fatal check are always asked at once.
class ScopedFailureDeferral {
  public:
    explicit ScopedFailureDeferral(bool defer = true);
    ~ScopedFailureDeferral();
    ScopedFailureDeferral(const ScopedFailureDeferral&) = delete;
    ScopedFailureDeferral& operator=(const ScopedFailureDeferral&) = delete;

  private:
    bool previous_;
};

} // namespace qm
