// The log sink: where the kernel, the script tasks and the batch runner write
// their log lines. The application installs its log window; headless runs and
// tests write to standard error or record the text.
#pragma once

#include "platform/ScopedInstall.h"

#include <mutex>
#include <string>
#include <string_view>

namespace qm {

class LogSink {
  public:
    virtual ~LogSink() = default;
    // Adds text at the end of the log. Callers add their own line ends ("\r\n").
    virtual void Append(std::string_view text) = 0;
    virtual void Show(bool /*visible*/) {}
    virtual void Clear() {}
};

// Writes to standard error; safe to call from the script server's thread.
class StderrLogSink : public LogSink {
  public:
    void Append(std::string_view text) override;

  private:
    std::mutex mutex_;
};

// Discards everything appended (fuzz targets and other quiet runs).
class NullLogSink : public LogSink {
  public:
    void Append(std::string_view) override {}
};

// Keeps everything appended, for tests and for captured evaluations.
class RecordingLogSink : public LogSink {
  public:
    void Append(std::string_view text) override;
    void Clear() override;
    std::string Text() const;

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

// The installed sink; standard error until something else is installed.
LogSink& Log();
// Installs a sink (not owned; it must outlive its use) and returns the one
// it replaces. Null restores standard error.
LogSink* Install(LogSink* sink);
void SetLogSink(LogSink* sink);

// Installs a sink for the lifetime of a scope.
using ScopedLogSink = ScopedInstall<LogSink>;

} // namespace qm
