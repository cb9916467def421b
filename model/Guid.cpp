// The id generator: sequence, time and host parts in base-94 digits, with the
// sequence and the host number kept in the registry between runs.
#include "model/Guid.h"

#include "platform/Format.h"
#include "platform/Registry.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace qm {
namespace {

GuidGeneratorState generator;

// A digit of an id: the character 33 + d, where a blank stands for the '^'
// that would write 61.
int32_t DigitOf(char c) {
    return c == ' ' ? '^' - 33 : c - 33;
}

// The host part of a generated id as its text shows it.
std::string ShownHost(const char* host) {
    std::string shown(host, 6);
    std::replace(shown.begin(), shown.end(), '^', ' ');
    return shown;
}

void NoteReadId(const char* text, size_t n) {
    if (n != Guid::Length)
        return;
    int32_t sequence = 0;
    for (int i = 2; i >= 0; --i) {
        const int32_t digit = DigitOf(text[i]);
        if (digit < 0 || digit > 93)
            return;
        sequence = sequence * 94 + digit;
    }
    const std::string host(text + 9, 6);
    // Once the host is known only its own ids matter; before, every host
    // read is kept until the first id is made.
    if (generator.initialised) {
        if (host == ShownHost(generator.hostText))
            generator.sequence = std::max(generator.sequence, sequence);
        return;
    }
    int32_t& highest = generator.readSequences[host];
    highest = std::max(highest, sequence);
}

bool ResolveOwnHost(uint8_t address[4]) {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    bool ok = false;
    for (addrinfo* at = found; at != nullptr && !ok; at = at->ai_next) {
        if (at->ai_family != AF_INET || at->ai_addr == nullptr)
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(at->ai_addr);
        std::memcpy(address, &in->sin_addr.s_addr, 4);
        ok = true;
    }
    ::freeaddrinfo(found);
    return ok;
}

HostAddressSource hostSource = ResolveOwnHost;

// A decimal text as stored by the generator; 0 for an empty, malformed or
// out-of-range text.
int32_t ParseStored(const std::string& text) {
    if (text.empty())
        return 0;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        return 0;
    return static_cast<int32_t>(value);
}

// The magnitude of a signed number (the most negative one included).
uint32_t Magnitude(int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    return value < 0 ? 0u - bits : bits;
}

void ReadRegistry(int32_t& storedHost) {
    Registry registry(RegistryRoot::CurrentUser);
    std::string text;
    RegStringValue(registry, GuidRegistryKey, GuidSequenceValue, text, false);
    generator.sequence = ParseStored(text);
    // A stored sequence outside the generator's range would never wrap and
    // could overflow; it starts again from 0.
    if (generator.sequence < 0 || generator.sequence > GuidSequenceLimit)
        generator.sequence = 0;
    RegStringValue(registry, GuidRegistryKey, GuidHostValue, text, false);
    storedHost = ParseStored(text);
}

void WriteRegistry() {
    Registry registry(RegistryRoot::CurrentUser);
    std::string text = Format("%d", generator.sequence);
    RegStringValue(registry, GuidRegistryKey, GuidSequenceValue, text, true);
    text = Format("%d", generator.host);
    RegStringValue(registry, GuidRegistryKey, GuidHostValue, text, true);
    registry.Flush();
}

void MakeHost(int32_t storedHost) {
    uint32_t little = static_cast<uint32_t>(storedHost);
    if (storedHost == 0) {
        uint8_t bytes[4] = {};
        if (!hostSource(bytes))
            std::memset(bytes, 0, sizeof bytes);
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        for (uint8_t& b : bytes) {
            if (b == 0)
                b = static_cast<uint8_t>(std::rand() % 256);
        }
        little = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                 static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    }
    // The most negative number has no positive counterpart in 32 bits: it
    // becomes the largest positive one, so the host number is never negative.
    uint32_t magnitude = Magnitude(static_cast<int32_t>(little));
    if (magnitude > 0x7FFFFFFFu)
        magnitude = 0x7FFFFFFFu;
    generator.host = static_cast<int32_t>(magnitude);
    WriteGuidDigits(generator.hostText, magnitude, 6);
    generator.hostText[6] = '\0';
    generator.initialised = true;
}

uint32_t TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    uint32_t value;
    if (::localtime_r(&now, &local) != nullptr) {
        value = static_cast<uint32_t>(local.tm_year) * 365u + static_cast<uint32_t>(local.tm_yday);
    } else {
        value = static_cast<uint32_t>((now / 31536000) + 70) * 365u;
        local = std::tm{};
    }
    value = value * 24u + static_cast<uint32_t>(local.tm_hour);
    value = value * 60u + static_cast<uint32_t>(local.tm_min);
    value = value * 60u + static_cast<uint32_t>(local.tm_sec);
    return Magnitude(static_cast<int32_t>(value));
}

} // namespace

GuidGeneratorState& GuidGenerator() {
    return generator;
}

void SetGuidStoreMode(int mode) {
    generator.storeMode = mode;
}

void SetHostAddressSource(HostAddressSource source) {
    hostSource = source != nullptr ? source : ResolveOwnHost;
}

void WriteGuidDigits(char* out, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = static_cast<char>(33 + value % 94);
        value /= 94;
    }
}

void Guid::Generate() {
    int32_t storedHost = 0;
    if (generator.storeMode == GuidReadEveryId || !generator.initialised)
        ReadRegistry(storedHost);
    generator.sequence = generator.sequence >= GuidSequenceLimit ? 0 : generator.sequence + 1;
    if (!generator.initialised) {
        MakeHost(storedHost);
        // Ids read before the host was known follow the same rule.
        const auto read = generator.readSequences.find(ShownHost(generator.hostText));
        if (read != generator.readSequences.end() && read->second >= generator.sequence)
            generator.sequence = read->second >= GuidSequenceLimit ? 0 : read->second + 1;
        generator.readSequences.clear();
    }
    if (generator.storeMode == GuidStoreEveryId || generator.storeMode == GuidStoreAtExit)
        WriteRegistry();
    WriteGuidDigits(text_, static_cast<uint32_t>(generator.sequence), 3);
    WriteGuidDigits(text_ + 3, TimeStamp(), 6);
    std::memcpy(text_ + 9, generator.hostText, 6);
    text_[Length] = '\0';
    for (char& c : text_) {
        if (c == '^')
            c = ' ';
    }
}

void Guid::SetText(const char* text) {
    size_t n = text != nullptr ? ::strnlen(text, Length) : 0;
    if (n > 0)
        std::memcpy(text_, text, n);
    text_[n] = '\0';
    NoteReadId(text_, n);
}

bool Guid::operator==(const Guid& other) const {
    return std::strcmp(text_, other.text_) == 0;
}

bool Guid::operator==(const char* text) const {
    return text != nullptr && std::strncmp(text_, text, Length + 1) == 0;
}

} // namespace qm
