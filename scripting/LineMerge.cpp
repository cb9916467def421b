// The line merge: reading, hashing, matching, hunks and the moving of user
// regions. See LineMerge.h for the approach.
#include "scripting/LineMerge.h"

#include "platform/Files.h"
#include "platform/Format.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace qm {

namespace {

bool IsIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBlankLine(const std::string& text) {
    return std::all_of(text.begin(), text.end(), IsIgnored);
}

// The sum over the characters that are not ignored, c1, c2, ... (signed byte
// values, numbered from 1), of ci * i * 6293815^i, in unsigned 32-bit.
uint32_t LineHash(const std::string& text) {
    uint32_t hash = 0;
    uint32_t power = 1;
    uint32_t index = 0;
    for (char c : text) {
        if (IsIgnored(c))
            continue;
        ++index;
        power *= 6293815u;
        hash += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c))) * index *
                power;
    }
    return hash;
}

bool SameText(const std::string& a, const std::string& b) {
    size_t i = 0;
    size_t k = 0;
    for (;;) {
        while (i < a.size() && IsIgnored(a[i]))
            ++i;
        while (k < b.size() && IsIgnored(b[k]))
            ++k;
        if (i == a.size() || k == b.size())
            return i == a.size() && k == b.size();
        if (a[i++] != b[k++])
            return false;
    }
}

bool Equal(const MergeLine& a, const MergeLine& b) {
    return a.hash == b.hash && SameText(a.text, b.text);
}

bool IsFree(const MergeLine& line) {
    return line.matched < 0 && (line.flags & MlNoMatch) == 0;
}

// Whether text, from its first letter on, starts with marker (an empty
// marker marks every line).
bool StartsWithMarker(const std::string& text, const std::string& marker) {
    size_t at = 0;
    while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])) == 0)
        ++at;
    return text.compare(at, marker.size(), marker) == 0 && text.size() - at >= marker.size();
}

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

void MergeFile::Read(const std::string& beginMarker, const std::string& endMarker) {
    // Opened without waiting, so that a pipe or device named by a script is
    // refused by the size check below instead of blocking the run.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw MergeFailure(Format("Can't read file %s", path_.c_str()));
    FileCloser closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        throw MergeFailure("Can't get file size");
    if (static_cast<uint64_t>(status.st_size) >= kMergeFileLimit)
        throw MergeFailure("File too big");
    std::string bytes(static_cast<size_t>(status.st_size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            throw MergeFailure("Failed to read the whole file");
        got += static_cast<size_t>(n);
    }
    content_ = std::move(bytes);
    read_ = true;
    const std::string& content = content_;

    lines_.clear();
    size_t start = 0;
    for (;;) {
        const size_t end = content.find('\n', start);
        MergeLine line;
        line.text = content.substr(start, end == std::string::npos ? end : end + 1 - start);
        line.number = static_cast<int>(lines_.size()) + 1;
        lines_.push_back(std::move(line));
        if (end == std::string::npos)
            break;
        start = end + 1;
        if (start == content.size())
            break;
    }
    for (MergeLine& line : lines_) {
        if (StartsWithMarker(line.text, beginMarker))
            line.flags |= MlBeginMarker;
        if (StartsWithMarker(line.text, endMarker))
            line.flags |= MlEndMarker;
        line.hash = LineHash(line.text);
        line.flags |= MlHashValid;
    }
    while (!lines_.empty() && IsBlankLine(lines_.back().text))
        lines_.pop_back();
}

MergeContext::MergeContext(std::string existingPath, std::string generatedPath)
    : existing_(std::move(existingPath)), generated_(std::move(generatedPath)) {}

void MergeContext::MakeMerged(const std::string& beginMarker, const std::string& endMarker) {
    existing_.Read(beginMarker, endMarker);
    generated_.Read(beginMarker, endMarker);
    while (MatchPass()) {
    }
    BuildHunks();
    MoveRegions();
}

bool MergeContext::MatchPass() {
    std::vector<MergeLine>& a = existing_.Lines();
    std::vector<MergeLine>& b = generated_.Lines();
    const int n = static_cast<int>(a.size());
    const int m = static_cast<int>(b.size());
    struct Candidate {
        int first;     // in the existing file
        int peerFirst; // in the generated file
        int length;
    };
    std::vector<Candidate> candidates;

    // The generated file's lines by hash, in file order: a run can only start
    // at a line whose hash equals the existing line's.
    std::unordered_map<uint32_t, std::vector<int>> byHash;
    for (int k = 0; k < m; ++k)
        byHash[b[k].hash].push_back(k);

    int firstFreeB = 0;
    for (int i = 0; i < n; ++i) {
        int start = i;
        while (start < n && !IsFree(a[start]))
            ++start;
        if (start == n)
            break;
        while (firstFreeB < m && !IsFree(b[firstFreeB]))
            ++firstFreeB;
        int best = 0;
        int bestStart = 0;
        const auto sameHash = byHash.find(a[start].hash);
        const std::vector<int> none;
        const std::vector<int>& starts = sameHash != byHash.end() ? sameHash->second : none;
        for (auto at = std::lower_bound(starts.begin(), starts.end(), firstFreeB);
             at != starts.end(); ++at) {
            const int k = *at;
            int count = 0;
            while (start + count < n && k + count < m && IsFree(a[start + count]) &&
                   IsFree(b[k + count]) && Equal(a[start + count], b[k + count]))
                ++count;
            if (count > best) {
                best = count;
                bestStart = k;
            }
        }
        if (best == 0) {
            a[start].flags |= MlNoMatch;
            continue;
        }
        if (!candidates.empty()) {
            const Candidate& last = candidates.back();
            const int lastEnd = last.first + last.length - 1;
            const int end = start + best - 1;
            if (last.length >= best && ((start >= last.first && start <= lastEnd) ||
                                        (end >= last.first && end <= lastEnd)))
                continue;
        }
        candidates.push_back({start, bestStart, best});
    }

    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& x, const Candidate& y) { return x.length > y.length; });
    bool matched = false;
    for (const Candidate& c : candidates) {
        bool free = true;
        for (int k = 0; k < c.length && free; ++k)
            free = a[c.first + k].matched < 0 && b[c.peerFirst + k].matched < 0;
        if (!free)
            continue;
        for (int k = 0; k < c.length; ++k) {
            a[c.first + k].matched = c.peerFirst + k;
            b[c.peerFirst + k].matched = c.first + k;
        }
        matched = true;
    }
    return matched;
}

namespace {

// Cuts a file's lines into maximal runs of lines matched to consecutive lines
// and maximal runs of unmatched lines.
void CutHunks(const MergeFile& file, MergeHunkList& hunks) {
    const std::vector<MergeLine>& lines = file.Lines();
    const int n = static_cast<int>(lines.size());
    int first = 0;
    for (int i = 1; i <= n; ++i) {
        const bool split = i == n || (lines[i].matched < 0) != (lines[i - 1].matched < 0) ||
                           (lines[i].matched >= 0 && lines[i].matched != lines[i - 1].matched + 1);
        if (split) {
            hunks.push_back(MergeHunk{&file, first, i - 1, nullptr});
            first = i;
        }
    }
}

bool HoldsMarker(const MergeHunk& hunk, const std::vector<MergeLine>& lines) {
    for (int i = hunk.first; i <= hunk.last; ++i)
        if ((lines[i].flags & (MlBeginMarker | MlEndMarker)) != 0)
            return true;
    return false;
}

} // namespace

void MergeContext::BuildHunks() {
    existingHunks_.clear();
    output_.clear();
    CutHunks(existing_, existingHunks_);
    CutHunks(generated_, output_);
    const std::vector<MergeLine>& a = existing_.Lines();
    const std::vector<MergeLine>& b = generated_.Lines();
    for (MergeHunk& g : output_) {
        const int peerFirst = b[g.first].matched;
        if (peerFirst < 0)
            continue;
        for (MergeHunk& e : existingHunks_) {
            if (e.first != peerFirst)
                continue;
            const bool singleBegin = e.first == e.last && (a[e.first].flags & MlBeginMarker) != 0;
            if (!singleBegin) {
                g.peer = &e;
                e.peer = &g;
            }
            break;
        }
    }
}

void MergeContext::MoveRegions() {
    const std::vector<MergeLine>& lines = existing_.Lines();
    using Iter = MergeHunkList::iterator;
    const Iter begin = existingHunks_.begin();
    const Iter end = existingHunks_.end();
    // The output position of a hunk's peer.
    auto peerPosition = [this](const MergeHunk& h) {
        for (Iter o = output_.begin(); o != output_.end(); ++o)
            if (&*o == h.peer)
                return o;
        return output_.end();
    };
    auto insertAfterPeer = [&](const MergeHunk& anchor, const MergeHunk& copy) {
        output_.insert(std::next(peerPosition(anchor)), copy);
    };
    auto insertBeforePeer = [&](const MergeHunk& anchor, const MergeHunk& copy) {
        output_.insert(peerPosition(anchor), copy);
    };

    Iter h = begin;
    while (h != end) {
        if (h->peer != nullptr) {
            ++h;
            continue;
        }
        const Iter p = h == begin ? end : std::prev(h);
        const Iter n = std::next(h);

        // The nearest marker line before h: a begin marker makes its hunk R.
        Iter region = end;
        bool backReachedEnd = true;
        if (p != end) {
            for (Iter k = p;; --k) {
                bool met = false;
                for (int i = k->last; i >= k->first; --i) {
                    if ((lines[i].flags & (MlBeginMarker | MlEndMarker)) != 0) {
                        met = true;
                        if ((lines[i].flags & MlBeginMarker) != 0)
                            region = k;
                        break;
                    }
                }
                if (met) {
                    backReachedEnd = false;
                    break;
                }
                if (k == begin)
                    break;
            }
        }
        // The nearest marker line after h: an end marker makes its hunk E.
        Iter regionEnd = end;
        bool forwardReachedEnd = true;
        for (Iter k = n; k != end; ++k) {
            bool met = false;
            for (int i = k->first; i <= k->last; ++i) {
                if ((lines[i].flags & (MlBeginMarker | MlEndMarker)) != 0) {
                    met = true;
                    if ((lines[i].flags & MlEndMarker) != 0)
                        regionEnd = k;
                    break;
                }
            }
            if (met) {
                forwardReachedEnd = false;
                break;
            }
        }
        // No marker line anywhere else: nothing more to move, unless h holds
        // a region of its own, whose user lines would otherwise be lost.
        if (backReachedEnd && forwardReachedEnd && !HoldsMarker(*h, lines))
            break;

        const bool enclosed = region != end && regionEnd != end;
        if (enclosed && region->peer != nullptr) {
            const MergeHunk copy{&existing_, std::next(region)->first, std::prev(regionEnd)->last,
                                 nullptr};
            insertAfterPeer(*region, copy);
            h = std::next(regionEnd);
            continue;
        }

        // A region inside h itself: its first begin marker line before any end
        // marker, through the last end marker line after it.
        int regionFirst = -1;
        int regionLast = -1;
        for (int i = h->first; i <= h->last; ++i) {
            if (regionFirst < 0) {
                if ((lines[i].flags & MlEndMarker) != 0 && (lines[i].flags & MlBeginMarker) == 0)
                    break;
                if ((lines[i].flags & MlBeginMarker) != 0)
                    regionFirst = i;
            } else if ((lines[i].flags & MlEndMarker) != 0) {
                regionLast = i;
            }
        }
        if (regionFirst >= 0 && regionLast >= 0) {
            h->first = regionFirst;
            h->last = regionLast;
            const MergeHunk copy{&existing_, regionFirst, regionLast, nullptr};
            if (p != end && p->peer != nullptr)
                insertAfterPeer(*p, copy);
            else if (n != end && n->peer != nullptr)
                insertBeforePeer(*n, copy);
            else if (p != end && n != end)
                throw MergeFailure("KestMakeMerged: impossible case");
            else if (p != end)
                output_.push_back(copy);
            else
                output_.push_front(copy);
            ++h;
            continue;
        }

        if (enclosed) {
            const MergeHunk copy{&existing_, region->first, regionEnd->last, nullptr};
            Iter before = region;
            bool placed = false;
            while (before != begin) {
                --before;
                if (before->peer != nullptr) {
                    insertAfterPeer(*before, copy);
                    placed = true;
                    break;
                }
            }
            if (!placed) {
                for (Iter after = std::next(regionEnd); after != end; ++after) {
                    if (after->peer != nullptr) {
                        insertBeforePeer(*after, copy);
                        placed = true;
                        break;
                    }
                }
            }
            if (!placed)
                output_.push_front(copy);
            h = std::next(regionEnd);
            continue;
        }
        ++h;
    }
}

std::string MergeContext::MergedText() const {
    std::string text;
    for (const MergeHunk& hunk : output_) {
        for (int i = hunk.first; i <= hunk.last; ++i) {
            // A file's last line may lack its line end; when another line
            // follows it in the output it gets one, so that no two lines are
            // ever joined into one.
            if (!text.empty() && text.back() != '\n')
                text += '\n';
            text += hunk.file->Lines()[i].text;
        }
    }
    return text;
}

namespace {
uint64_t mergedFilesWritten = 0;
}

uint64_t MergedFilesWritten() {
    return mergedFilesWritten;
}

// A file that already holds the merged text is left as it is: a second run
// over an unchanged model then writes nothing, and tools that go by the
// files' times see no change. When the merged text goes back over the
// existing file (as a generator merges), the bytes just read for the merge
// are what it holds, and it is not read a second time. Otherwise the text
// replaces the file whole; the generation run flushes its files to the disk
// once at its end when it replaced any this way.
void MergeContext::WriteMerged(const std::string& path) const {
    const std::string merged = MergedText();
    if (existing_.HasRead() && path == existing_.Path()) {
        if (existing_.Content() == merged)
            return;
    } else if (const auto existing = ReadWholeFile(path, merged.size());
               existing && *existing == merged) {
        return;
    }
    ++mergedFilesWritten;
    if (!WriteFileReplacingUnsynced(path, merged))
        throw MergeFailure(Format("Can't create file %s", path.c_str()));
}

void MergeFiles(const std::string& existingPath, const std::string& generatedPath,
                const std::string& outputPath, const std::string& beginMarker,
                const std::string& endMarker) {
    MergeContext context(existingPath, generatedPath);
    context.MakeMerged(beginMarker, endMarker);
    context.WriteMerged(outputPath);
}

} // namespace qm
