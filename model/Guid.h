// Object ids: the 15-character printable id every model object carries, made
// from a sequence number, the time and a host number written in base-94
// digits, and the process-wide state of the generator that makes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace qm {

// A NUL-terminated text of at most 15 characters. A generated id has exactly
// 15: 3 digits of the sequence, 6 of the time and 6 of the host number, each
// least significant first, digit d written as the character 33 + d, and every
// '^' then replaced by a blank (so ids may hold blanks and never hold '^').
class Guid {
  public:
    static constexpr size_t Length = 15;

    // A new id (Generate).
    Guid() { Generate(); }
    // An id holding text (at most 15 characters), made without the generator.
    struct FromText {
        const char* text;
    };
    explicit Guid(FromText from) { SetText(from.text); }

    Guid(const Guid&) = default;
    Guid& operator=(const Guid&) = default;

    // Writes a new id into this one (advances the generator's sequence).
    void Generate();
    // Copy at most 15 characters of text and terminate; null counts as "".
    void Assign(const char* text) { SetText(text); }
    void SetText(const char* text);

    const char* Text() const { return text_; }
    bool IsEmpty() const { return text_[0] == '\0'; }
    bool operator==(const Guid& other) const;
    bool operator==(const char* text) const;

  private:
    char text_[Length + 1] = {};
};

// When the generator reads and writes the registry values "GuidSeq" and
// "PseudoIP" under Software\Brindlex\Quillmark8\Profile of the current user:
//   0 (initial) read before the first id only, written after every id;
//   1 read before every id, never written;
//   2 (set once the environment is built) read before the first id, never written;
//   3 (set when the environment goes) read before the first id, written after every id.
enum GuidStoreMode : int {
    GuidStoreEveryId = 0,
    GuidReadEveryId = 1,
    GuidNoStore = 2,
    GuidStoreAtExit = 3
};

// The generator's process-wide state (one user-interface thread, unguarded).
struct GuidGeneratorState {
    int32_t sequence = 0; // last sequence number used
    int32_t host = 0;     // pseudo host number, never negative once made
    char hostText[7] = {};
    bool initialised = false;
    int storeMode = GuidStoreEveryId;
    // The highest sequence number of the ids read so far, by the host part
    // of the id (as the id shows it). A run that keeps no sequence between
    // runs (a batch run) starts its sequence again; within the second a
    // project was made, the ids it makes could then repeat ids of that
    // project, members' as much as masters'. A new id of this host therefore
    // follows every sequence read with it.
    std::unordered_map<std::string, int32_t> readSequences;
};

GuidGeneratorState& GuidGenerator();
void SetGuidStoreMode(int mode);

// The highest sequence number: 94 to the power 3, less 1. The next one is 0.
constexpr int32_t GuidSequenceLimit = 830583;

// The registry key and values of the generator.
inline constexpr const char* GuidRegistryKey = "Software\\Brindlex\\Quillmark8\\Profile";
inline constexpr const char* GuidSequenceValue = "GuidSeq";
inline constexpr const char* GuidHostValue = "PseudoIP";

// Where the generator takes the host's address from: fills four bytes and
// answers true, or answers false when there is none. The default resolves
// the host's own name to its first IPv4 address. Tests install their own;
// null restores the default.
using HostAddressSource = bool (*)(uint8_t address[4]);
void SetHostAddressSource(HostAddressSource source);

// Writes count base-94 digits of value, least significant first, into out.
void WriteGuidDigits(char* out, uint32_t value, int count);

} // namespace qm
