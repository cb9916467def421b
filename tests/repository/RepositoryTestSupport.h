// Helpers of the repository tests: a raw peer that accepts one connection on
// the loopback address and runs a script of reads and writes on it, frame
// helpers for such scripts, and recording fakes of what the session asks of
// the application and the document.
#pragma once

#include "platform/Socket.h"
#include "repository/RepositorySeams.h"
#include "tests/repository/server/TestServer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace qm::testing {

// Accepts one connection within ten seconds and runs the script on it, on a
// thread of its own; the destructor waits for the script to end.
class RawPeer {
  public:
    explicit RawPeer(std::function<void(int fd)> script) {
        port_ = PickPorts(1, [this](uint16_t port) {
            listener_ = ListenTcp(nullptr, port, 4, nullptr);
            return listener_ >= 0;
        });
        thread_ = std::thread([this, script] {
            const int fd = AcceptTcp(listener_, 10000);
            if (fd < 0)
                return;
            script(fd);
            CloseSocket(fd);
        });
    }
    ~RawPeer() {
        thread_.join();
        CloseSocket(listener_);
    }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;
    uint16_t Port() const { return port_; }

  private:
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

// One frame as a peer sees it.
struct Frame {
    uint16_t command = 0;
    uint16_t sender = 0;
    uint32_t length = 0;
    std::string payload;
};

inline std::string HeaderBytes(uint16_t command, uint16_t sender, uint32_t length) {
    const uint8_t bytes[8] = {uint8_t(command >> 8), uint8_t(command),      uint8_t(sender >> 8),
                              uint8_t(sender),       uint8_t(length >> 24), uint8_t(length >> 16),
                              uint8_t(length >> 8),  uint8_t(length)};
    return std::string(reinterpret_cast<const char*>(bytes), 8);
}

inline std::string FrameBytes(uint16_t command, uint16_t sender, const std::string& payload) {
    return HeaderBytes(command, sender, static_cast<uint32_t>(payload.size())) + payload;
}

// A text reply as a server sends it: command 1, the text and its NUL.
inline std::string TextReply(const std::string& text, uint16_t sender = 0) {
    return FrameBytes(1, sender, text + std::string(1, '\0'));
}

// Reads one frame (five seconds at most); false when none came whole.
inline bool ReadFrame(int fd, Frame& frame) {
    uint8_t header[8];
    if (!ReceiveAll(fd, header, 8, false, 5000))
        return false;
    frame.command = static_cast<uint16_t>(header[0] << 8 | header[1]);
    frame.sender = static_cast<uint16_t>(header[2] << 8 | header[3]);
    frame.length = uint32_t(header[4]) << 24 | uint32_t(header[5]) << 16 |
                   uint32_t(header[6]) << 8 | header[7];
    if (frame.length > 1 << 20)
        return false;
    frame.payload.assign(frame.length, '\0');
    return frame.length == 0 || ReceiveAll(fd, frame.payload.data(), frame.length, false, 5000);
}

inline bool WriteBytes(int fd, const std::string& bytes) {
    return SendAll(fd, bytes.data(), bytes.size(), 5000);
}

// The application as the session sees it, recording what it is asked.
class FakeHost : public RepositoryHost {
  public:
    std::string ServerHost() const override { return host; }
    std::string ServerPort() const override { return port; }
    std::string CacheFile() const override { return cacheFile; }
    void SetServerText(const std::string& text) override { serverText = text; }
    void CloseProjectWindows(const std::string& path, bool) override { closed.push_back(path); }
    void ShowRepositoryBrowser() override { ++browserShown; }
    void ShowPath(const std::string& itemPath) override { shownPaths.push_back(itemPath); }
    void StartProgress(int) override { progressVisible = true; }
    void SetProgress(const std::string& text, int) override { steps.push_back(text); }
    void HideProgress() override { progressVisible = false; }

    std::string host = "127.0.0.1";
    std::string port = "1";
    std::string cacheFile;
    std::string serverText;
    std::vector<std::string> closed;
    int browserShown = 0;
    std::vector<std::string> shownPaths;
    std::vector<std::string> steps;
    bool progressVisible = false;
};

// The document's project-file stamps: a fixed version, and a record of the
// stamps cleared.
class FakeStamps : public ProjectStamps {
  public:
    double ReadProjectFileVersion(const std::string&) override { return version; }
    void UpdateCheckedInProjectFile(const std::string& path, const std::string& itemPath,
                                    int flag) override {
        updates.push_back(path + "|" + itemPath + "|" + std::to_string(flag));
    }
    double version = 8.0;
    std::vector<std::string> updates;
};

} // namespace qm::testing
