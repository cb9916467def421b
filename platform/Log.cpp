// The log sink and its two plain implementations.
#include "platform/Log.h"

#include <atomic>
#include <cstdio>

namespace qm {

namespace {
StderrLogSink gStderrSink;
std::atomic<LogSink*> gSink{nullptr};
} // namespace

void StderrLogSink::Append(std::string_view text) {
    std::lock_guard lock(mutex_);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void RecordingLogSink::Append(std::string_view text) {
    std::lock_guard lock(mutex_);
    text_.append(text);
}

void RecordingLogSink::Clear() {
    std::lock_guard lock(mutex_);
    text_.clear();
}

std::string RecordingLogSink::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

LogSink& Log() {
    LogSink* sink = gSink.load();
    return sink != nullptr ? *sink : gStderrSink;
}

LogSink* Install(LogSink* sink) {
    return gSink.exchange(sink);
}

void SetLogSink(LogSink* sink) {
    gSink.store(sink);
}

} // namespace qm
