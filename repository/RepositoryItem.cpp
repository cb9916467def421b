// Repository items and their listing file. A listing comes from the server,
// so the reader runs with read-time evaluation off (nothing in it can run
// code) and every element of every entry is checked for its type before it is
// used; a wrong one ends the read through the failure check. The cells read
// are released by the heap mark taken around the read.
#include "repository/RepositoryItem.h"

#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "repository/RepositorySession.h"

#include <cstring>

namespace qm {

namespace {

using kest::Cell;

bool oldFormatSeen = false;

const char kCantOpenListing[] = "Can't open repository log file";

const char kOldFormatNotice[] =
    "Your repository contains old format versioning, which is now obsolete.\nTo avoid potential "
    "Vaultkeep failures, you must reset your repository.\nTo do this, check-out the latest "
    "version of each project to a safe folder,\nthen remove all pojects from the repository, "
    "and check the projects back in.\n";

// Takes the heap mark for a read or write of a listing and returns to it at
// the end. When a mark is already active (a script run holds one), that mark
// is left alone: marks do not nest, and the outer one releases these cells.
class ListingMark {
  public:
    ListingMark() : own_(!kest::markactive()) {
        if (own_)
            kest::savemark();
    }
    ~ListingMark() {
        if (own_)
            kest::restoremark();
    }
    ListingMark(const ListingMark&) = delete;
    ListingMark& operator=(const ListingMark&) = delete;

  private:
    bool own_;
};

// Read-time evaluation off for the life of the object.
class NoReadTimeEvaluation {
  public:
    NoReadTimeEvaluation() : saved_(kest::readtimeevaluation) { kest::readtimeevaluation = false; }
    ~NoReadTimeEvaluation() { kest::readtimeevaluation = saved_; }
    NoReadTimeEvaluation(const NoReadTimeEvaluation&) = delete;
    NoReadTimeEvaluation& operator=(const NoReadTimeEvaluation&) = delete;

  private:
    bool saved_;
};

// Closes a listed channel when the read or write ends.
class ChannelCloser {
  public:
    explicit ChannelCloser(kest::Channel* ch) : ch_(ch) {}
    ~ChannelCloser() {
        try {
            kest::closechan(ch_);
        } catch (const CException&) {
            // A failed close of a file that was only read changes nothing.
        }
    }
    ChannelCloser(const ChannelCloser&) = delete;
    ChannelCloser& operator=(const ChannelCloser&) = delete;

  private:
    kest::Channel* ch_;
};

// The element at the head of list, or null when list is null or not a pair.
Cell* Head(Cell* list) {
    return list != nullptr && kest::ispair(list) ? kest::car(list) : nullptr;
}

// The rest of list; nil when list is null or not a pair.
Cell* Rest(Cell* list) {
    return list != nullptr && kest::ispair(list) ? kest::cdr(list) : kest::nil;
}

bool IsString(const Cell* c) {
    return c != nullptr && c->type == kest::TString;
}

bool IsInteger(const Cell* c) {
    return c != nullptr && c->type == kest::TInteger;
}

// The text of a string cell that the failure check has accepted.
std::string Text(const Cell* c) {
    return c->a.str != nullptr ? std::string(c->a.str) : std::string();
}

// The props field between the separators number index - 1 and index (index
// 0: before the first ':'), empty when a delimiter is missing.
std::string PropsField(const std::string& props, int index) {
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const size_t colon = props.find(':', start);
        if (colon == std::string::npos)
            return {};
        start = colon + 1;
    }
    const size_t end = props.find(':', start);
    if (end == std::string::npos)
        return {};
    return props.substr(start, end - start);
}

// The list (y m d h m s) of a time, in local time.
Cell* TimeList(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return kest::mklist(kest::mkint(local.tm_year + 1900), kest::mkint(local.tm_mon + 1),
                        kest::mkint(local.tm_mday), kest::mkint(local.tm_hour),
                        kest::mkint(local.tm_min), kest::mkint(local.tm_sec), nullptr);
}

// The time of a list of six integers read as local time; false when the list
// is not that.
bool TimeOfList(Cell* list, std::time_t& time) {
    int32_t parts[6];
    Cell* p = list;
    for (int32_t& part : parts) {
        Cell* element = Head(p);
        if (!IsInteger(element))
            return false;
        part = element->a.ival;
        p = Rest(p);
    }
    if (p != kest::nil)
        return false;
    // Bounded so that the broken-down fields cannot overflow.
    if (parts[0] < 1900 || parts[0] > 9999)
        return false;
    std::tm local{};
    local.tm_year = parts[0] - 1900;
    local.tm_mon = parts[1] - 1;
    local.tm_mday = parts[2];
    local.tm_hour = parts[3];
    local.tm_min = parts[4];
    local.tm_sec = parts[5];
    local.tm_isdst = -1;
    time = std::mktime(&local);
    if (time == static_cast<std::time_t>(-1))
        time = 0;
    return true;
}

void Check(bool condition, const char* what) {
    ReportOperationFailure(condition, what, true);
}

// Writes the header and the entries to path, replacing the file whole.
void WriteListing(const std::string& path, const std::vector<Cell*>& entries) {
    kest::LocalChannel out;
    kest::prettyprint(kest::fileheader(true, kest::sym::repository, nullptr, nullptr), out.get(), 0,
                      0);
    for (Cell* entry : entries)
        kest::prettyprint(entry, out.get(), 0, 0);
    std::string text = out.Text();
    text += '\n';
    if (!WriteFileReplacing(path, text))
        throw CKestException(kCantOpenListing, 0);
}

} // namespace

void RepositoryItem::Set(uint8_t newKind, const std::string& newName) {
    kind = newKind;
    name = newName;
}

Cell* RepositoryItem::KindSymbol(uint8_t kind) {
    switch (kind) {
    case kItemFolder:
        return kest::sym::folder;
    case kItemProject:
        return kest::sym::project;
    case kItemVersion:
        return kest::sym::version;
    default:
        return kest::nil;
    }
}

uint8_t RepositoryItem::KindOfSymbol(const Cell* symbol) {
    if (symbol == kest::sym::folder)
        return kItemFolder;
    if (symbol == kest::sym::project)
        return kItemProject;
    if (symbol == kest::sym::version)
        return kItemVersion;
    return kItemUnknown;
}

const char* RepositoryItem::StableText() const {
    return (flags & kItemStable) != 0 ? "Y" : "";
}

std::string RepositoryItem::BaseField() const {
    return PropsField(props, 0);
}

std::string RepositoryItem::CurrentField() const {
    return PropsField(props, 1);
}

std::string RepositoryItem::RevisedField() const {
    return PropsField(props, 2);
}

std::string RepositoryItem::MergedField() const {
    const size_t colon = props.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return {};
    return props.substr(colon + 1);
}

std::string RepositoryItem::FormatTime() const {
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    const size_t n = std::strftime(text, sizeof text, "%d %b %Y, %H:%M:%S", &local);
    return std::string(text, n);
}

RepositoryItem* RepositoryItem::FindChild(const std::string& childName) const {
    for (const auto& child : children)
        if (child->name == childName)
            return child.get();
    return nullptr;
}

Cell* RepositoryItem::Persist(Cell* list) {
    if (list == nullptr) {
        Cell* propsList =
            kest::mklist(kest::sym::props, kest::mkstr(props.c_str()), kest::mkstr(who.c_str()),
                         TimeList(time), kest::mkstr(comment.c_str()), nullptr);
        return kest::mklist(KindSymbol(kind), kest::mkstr(name.c_str()),
                            kest::mkint(static_cast<int32_t>(flags & kItemStable)), propsList,
                            nullptr);
    }
    const uint8_t entryKind = KindOfSymbol(Head(list));
    Check(entryKind != kItemUnknown, "folder, project, or version sym expected");
    Cell* nameCell = Head(Rest(list));
    Check(IsString(nameCell), "name string expected");
    Cell* stableCell = Head(Rest(Rest(list)));
    Check(IsInteger(stableCell), "stable integer expected");
    Cell* propsCons = Rest(Rest(Rest(list)));
    Cell* propsList = Head(propsCons);
    Check(propsList != nullptr && Head(propsList) == kest::sym::props, "props sym expected");
    Cell* p = Rest(propsList);
    Cell* propsText = Head(p);
    Check(IsString(propsText), "props string expected");
    p = Rest(p);
    Cell* whoText = Head(p);
    Check(IsString(whoText), "who string expected");
    p = Rest(p);
    std::time_t when = 0;
    Check(TimeOfList(Head(p), when), "time list expected");
    p = Rest(p);
    Cell* commentText = Head(p);
    Check(IsString(commentText), "comment string expected");

    kind = entryKind;
    name = Text(nameCell);
    flags = static_cast<uint32_t>(stableCell->a.ival) & 0xFF;
    props = Text(propsText);
    who = Text(whoText);
    time = when;
    comment = Text(commentText);
    return Rest(propsCons);
}

void RepositoryItem::ReadListing(const std::string& path, bool write) {
    ListingMark mark;
    if (write) {
        std::vector<Cell*> entries;
        for (const auto& child : children)
            entries.push_back(child->Persist(nullptr));
        WriteListing(path, entries);
        return;
    }
    if (!FileExists(path))
        WriteListing(path, {});
    kest::Channel* ch = kest::openfilechan(path.c_str(), kest::ChanRead, true);
    if (ch == nullptr)
        throw CKestException(kCantOpenListing, 0);
    ChannelCloser closer(ch);
    NoReadTimeEvaluation noEvaluation;
    kest::fileheader(true, kest::sym::repository, kest::readexpr(ch), nullptr);
    for (;;) {
        Cell* entry = kest::readexpr(ch);
        if (entry == kest::KernelSyms.eof || entry == kest::nil)
            break;
        auto item = std::make_unique<RepositoryItem>();
        item->Persist(entry);
        if (item->kind == kItemVersion && item->name.size() < 6)
            oldFormatSeen = true;
        children.push_back(std::move(item));
    }
    if (oldFormatSeen)
        MessageBox(kOldFormatNotice, PromptIcon::Exclamation);
}

void RepositoryItem::LoadChildren(RepositorySession& session, const std::string& itemPath) {
    const std::string cache = session.Host().CacheFile();
    try {
        session.GetProps(itemPath, cache);
        ReadListing(cache, false);
        flags |= kItemChildrenLoaded;
    } catch (const CKestException& e) {
        MessageBox(e.Message(), PromptIcon::Exclamation);
    } catch (const CIgnoreException&) {
        // Already shown by the failure check.
    }
}

bool RepositoryItem::OldFormatSeen() {
    return oldFormatSeen;
}

void RepositoryItem::ResetOldFormatSeen() {
    oldFormatSeen = false;
}

} // namespace qm
