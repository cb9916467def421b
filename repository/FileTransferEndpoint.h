// Whole files over a message connection, as packets: "MORE " followed by 4082
// bytes of the file while more follow, "LAST " followed by the rest for the
// final one, or an error reply ("ERR_ CODE text") instead. The endpoint also
// owns the connection's message buffer, into which the session formats its
// requests and receives its replies.
#pragma once

#include "repository/MessageEndpoint.h"

#include <memory>
#include <string>

namespace qm {

inline constexpr size_t kPacketData = 4082; // file bytes in a MORE packet

// The file transfer's error codes.
inline constexpr const char* kFileNotFound = "FNFD";
inline constexpr const char* kCantReadFile = "CRFF";
inline constexpr const char* kBadPacket = "RFFL";
inline constexpr const char* kCantWriteFile = "CWTF";

// Writes an empty listing, "(Vaultkeep "2.0" repository)" and a line feed, to
// path; true when the file could be written.
bool CreateListingFile(const std::string& path);

class FileTransferEndpoint : public MessageEndpoint {
  public:
    explicit FileTransferEndpoint(EndpointRole role);
    ~FileTransferEndpoint() override = default;

    // The repository requests, filled by the session.
    virtual int Login(const std::string& programVersion, const std::string& buildNumber,
                      std::string& clientName, const std::string& credential) = 0;
    virtual void Logout() = 0;
    virtual void Alive() = 0;
    virtual void GetProps(const std::string& itemPath, const std::string& localFile) = 0;
    virtual bool CheckOut(const std::string& projectPath, const std::string& versionName,
                          const std::string& localFile, bool readOnly) = 0;
    virtual bool CheckIn(const std::string& itemPath, const std::string& comment,
                         const std::string& localFile, bool mergeFlag, std::string& resultPath) = 0;
    virtual void Baseline(const std::string& versionPath, bool stable) = 0;

    // The message buffer, kMessageBufferSize bytes.
    virtual char* GetBuffer() { return buffer_.get(); }
    // Server role: replies "_OK_".
    virtual bool SendOk();
    // Sends the file at path in packets. True when it was sent; false when an
    // error reply went instead (the file could not be opened or read) or the
    // connection failed. An empty file goes as one empty LAST packet.
    virtual bool SendFile(const std::string& path);
    // Receives a file into path. The packets are written to a temporary file
    // beside path, which replaces path only when the whole file arrived, so a
    // failure leaves an existing file as it was. Raises CKestException with
    // the sender's message and code for an error reply, "RFFL" for a message
    // that is no packet or a failed receive, "CWTF" when the file cannot be
    // written (after reading every packet, so the connection stays in step).
    virtual void ReceiveFile(const std::string& path);

  protected:
    // Sends a text with its NUL as one message.
    bool SendText(const std::string& text);

  private:
    std::unique_ptr<char[]> buffer_;
};

} // namespace qm
