// The symbol table and parse-tree nodes of a reverse-engineering run, and the
// token and modifier look-ups the parsers share.
#include "reverse/SourceSymbol.h"

#include "reverse/SourceLanguage.h"
#include "reverse/SourceTokens.h"

#include <sys/mman.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QM_POISON_NODE(p, n)   ASAN_POISON_MEMORY_REGION(p, n)
#define QM_UNPOISON_NODE(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define QM_POISON_NODE(p, n)   ((void)(p), (void)(n))
#define QM_UNPOISON_NODE(p, n) ((void)(p), (void)(n))
#endif

namespace qm {

namespace {

// Lower case of ASCII letters; other bytes unchanged.
constexpr std::array<unsigned char, 256> kLower = [] {
    std::array<unsigned char, 256> table{};
    for (size_t c = 0; c < table.size(); ++c) {
        table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return table;
}();

unsigned char LowerAscii(unsigned char c) {
    return kLower[c];
}

bool IsClassLikeKind(int kind) {
    return kind == kNodeClass || kind == kNodeInterface || kind == kNodeException;
}

// Detaches a chain linked through `link` and deletes it node by node, so that
// a long chain never makes the destructors recurse deeply.
void DeleteChain(std::unique_ptr<SourceSymbol> SourceSymbol::*link,
                 std::unique_ptr<SourceSymbol>& head) {
    std::unique_ptr<SourceSymbol> node = std::move(head);
    while (node) {
        std::unique_ptr<SourceSymbol> after = std::move((*node).*link);
        node = std::move(after);
    }
}

// The pool of parse-tree nodes: blocks mapped whole (and offered to the
// kernel for huge pages, so that a block costs a few page faults rather than
// hundreds), handed out node by node, deleted nodes kept on a free list.
// When the last node goes, the blocks are unmapped. A free or not yet
// handed-out node is poisoned for the address sanitizer, so that a use after
// deletion is still caught.
class NodePool {
  public:
    void* Allocate() {
        std::lock_guard<std::mutex> lock(mutex_);
        void* node = nullptr;
        if (free_ != nullptr) {
            node = free_;
            QM_UNPOISON_NODE(node, kNodeSize);
            free_ = free_->next;
        } else {
            if (end_ - cursor_ < static_cast<std::ptrdiff_t>(kNodeSize)) {
                MapBlock();
            }
            node = cursor_;
            cursor_ += kNodeSize;
            QM_UNPOISON_NODE(node, kNodeSize);
        }
        ++live_;
        return node;
    }

    void Release(void* node) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto* freed = static_cast<FreeNode*>(node);
        freed->next = free_;
        free_ = freed;
        QM_POISON_NODE(node, kNodeSize);
        if (--live_ == 0) {
            for (void* block : blocks_) {
                QM_UNPOISON_NODE(block, kBlockSize);
                ::munmap(block, kBlockSize);
            }
            blocks_.clear();
            free_ = nullptr;
            cursor_ = end_ = nullptr;
        }
    }

  private:
    struct FreeNode {
        FreeNode* next;
    };
    static constexpr size_t kNodeSize =
        (sizeof(SourceSymbol) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    static constexpr size_t kBlockSize = size_t{2} << 20; // one huge page

    // A block aligned to its size (a huge page needs the alignment): twice
    // the size is mapped and the rest around the aligned block unmapped.
    void MapBlock() {
        blocks_.reserve(blocks_.size() + 1);
        void* mapped = ::mmap(nullptr, 2 * kBlockSize, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) {
            throw std::bad_alloc();
        }
        const auto start = reinterpret_cast<uintptr_t>(mapped);
        const uintptr_t aligned = (start + kBlockSize - 1) & ~(kBlockSize - 1);
        if (aligned > start) {
            ::munmap(mapped, aligned - start);
        }
        if (aligned + kBlockSize < start + 2 * kBlockSize) {
            ::munmap(reinterpret_cast<void*>(aligned + kBlockSize),
                     start + 2 * kBlockSize - aligned - kBlockSize);
        }
        auto* block = reinterpret_cast<char*>(aligned);
#ifdef MADV_HUGEPAGE
        ::madvise(block, kBlockSize, MADV_HUGEPAGE);
#endif
        QM_POISON_NODE(block, kBlockSize);
        blocks_.push_back(block);
        cursor_ = block;
        end_ = block + kBlockSize;
    }

    std::mutex mutex_;
    FreeNode* free_ = nullptr;
    char* cursor_ = nullptr;
    char* end_ = nullptr;
    size_t live_ = 0;
    std::vector<void*> blocks_;
};

// Never destroyed: nodes may still be deleted while the program ends.
NodePool& Nodes() {
    static NodePool* pool = new NodePool;
    return *pool;
}

} // namespace

void* SourceSymbol::operator new(size_t size) {
    return size == sizeof(SourceSymbol) ? Nodes().Allocate() : ::operator new(size);
}

void SourceSymbol::operator delete(void* node, size_t size) noexcept {
    if (node == nullptr) {
        return;
    }
    if (size == sizeof(SourceSymbol)) {
        Nodes().Release(node);
    } else {
        ::operator delete(node);
    }
}

SourceSymbol::~SourceSymbol() {
    DeleteChain(&SourceSymbol::next, next);
    DeleteChain(&SourceSymbol::sameName, sameName);
    DeleteChain(&SourceSymbol::next, firstChild);
}

std::string NestedQualifier(const SourceSymbol& enclosing, std::string_view separator) {
    if (!enclosing.qualifier || enclosing.qualifier->empty()) {
        return enclosing.name;
    }
    return *enclosing.qualifier + std::string(separator) + enclosing.name;
}

SourceSymbol* SourceSymbol::AddChild(int language, std::string_view childName,
                                     OwnedText childQualifier, int childKind, int childFlags,
                                     OwnedText childText1, OwnedText childText2,
                                     OwnedText childComment) {
    if (IsClassLikeKind(childKind)) {
        for (SourceSymbol* c = firstChild.get(); c != nullptr; c = c->next.get()) {
            if (c->kind != childKind ||
                SourceSymbolTable::CompareNames(language, c->name, childName) != 0) {
                continue;
            }
            if (childQualifier) {
                c->qualifier = std::move(childQualifier);
            }
            if (childFlags != 0) {
                c->flags = childFlags;
            }
            if (childText1) {
                c->text1 = std::move(childText1);
            }
            if (childText2) {
                c->text2 = std::move(childText2);
            }
            if (childComment) {
                c->comment = std::move(childComment);
            }
            return c;
        }
    }
    auto node = std::make_unique<SourceSymbol>(std::string(childName), std::move(childQualifier));
    node->kind = childKind;
    node->flags = childFlags;
    node->text1 = std::move(childText1);
    node->text2 = std::move(childText2);
    node->comment = std::move(childComment);
    return AppendChild(std::move(node));
}

SourceSymbol* SourceSymbol::AppendChild(std::unique_ptr<SourceSymbol> child) {
    SourceSymbol* added = child.get();
    if (!firstChild) {
        firstChild = std::move(child);
    } else {
        lastChild_->next = std::move(child);
    }
    lastChild_ = added;
    return added;
}

SourceSymbol* SourceSymbol::FindChild(int language, std::string_view childName) const {
    for (SourceSymbol* c = firstChild.get(); c != nullptr; c = c->next.get()) {
        if (SourceSymbolTable::CompareNames(language, c->name, childName) == 0) {
            return c;
        }
    }
    return nullptr;
}

bool SourceSymbol::RemoveChildByName(int language, std::string_view childName) {
    SourceSymbol* previous = nullptr;
    for (std::unique_ptr<SourceSymbol>* link = &firstChild; *link;
         previous = link->get(), link = &(*link)->next) {
        if (SourceSymbolTable::CompareNames(language, (*link)->name, childName) != 0) {
            continue;
        }
        std::unique_ptr<SourceSymbol> victim = std::move(*link);
        *link = std::move(victim->next);
        if (lastChild_ == victim.get()) {
            lastChild_ = previous;
        }
        return true;
    }
    return false;
}

bool SourceSymbol::HasGenericParameters() const {
    for (const SourceSymbol* c = firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeParameter) {
            return true;
        }
    }
    return false;
}

SourceSymbolTable::SourceSymbolTable(int language, size_t bucketCount)
    : buckets_(bucketCount == 0 ? 1 : bucketCount),
      index_(buckets_.size(), BucketIndex(NameLess{language})),
      language_(language) {
    size_t n = buckets_.size();
    bucketMask_ = (n & (n - 1)) == 0 ? n - 1 : 0;
}

SourceSymbolTable::~SourceSymbolTable() {
    for (std::unique_ptr<SourceSymbol>& bucket : buckets_) {
        DeleteChain(&SourceSymbol::next, bucket);
    }
}

size_t SourceSymbolTable::HashSum(std::string_view name) {
    size_t sum = 0;
    for (char c : name) {
        sum += LowerAscii(static_cast<unsigned char>(c));
    }
    return sum;
}

int SourceSymbolTable::CompareNames(int languageMask, std::string_view a, std::string_view b) {
    if ((languageMask & kLangForte) == 0) {
        // Most names differ in their first byte; compare that before the rest.
        if (!a.empty() && !b.empty() && a[0] != b[0]) {
            return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]) ? -1 : 1;
        }
        return a.compare(b);
    }
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int ca = LowerAscii(static_cast<unsigned char>(a[i]));
        int cb = LowerAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca - cb;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

SourceSymbol* SourceSymbolTable::FindInBucket(int language, std::string_view name,
                                              size_t bucket) const {
    if ((language & kLangForte) == (language_ & kLangForte)) {
        const BucketIndex& index = index_[bucket];
        const auto found = index.find(name);
        return found != index.end() ? found->second : nullptr;
    }
    SourceSymbol* s = buckets_[bucket].get();
    int order = -1;
    while (s != nullptr && (order = CompareNames(language, s->name, name)) < 0) {
        s = s->next.get();
    }
    return order == 0 ? s : nullptr;
}

SourceSymbol* SourceSymbolTable::Find(int language, std::string_view name,
                                      const OwnedText& qualifier) const {
    SourceSymbol* s = FindInBucket(language, name, Hash(name));
    if (s == nullptr) {
        return nullptr;
    }
    if (!qualifier) {
        return s;
    }
    for (SourceSymbol* e = s; e != nullptr && e->qualifier; e = e->sameName.get()) {
        if (CompareNames(language, *e->qualifier, *qualifier) == 0) {
            return e;
        }
    }
    return nullptr;
}

SourceSymbol* SourceSymbolTable::FindOrInsert(int language, std::string_view name,
                                              const OwnedText& qualifier) {
    if (SourceSymbol* found = Find(language, name, qualifier)) {
        return found;
    }
    auto symbol = std::make_unique<SourceSymbol>(std::string(name), qualifier);
    if (qualifier) {
        if (SourceSymbol* head = Find(language, name, std::nullopt)) {
            symbol->sameName = std::move(head->sameName);
            head->sameName = std::move(symbol);
            return head->sameName.get();
        }
    }
    // The chain stays sorted as the table's language compares names.
    const size_t bucket = Hash(name);
    BucketIndex& index = index_[bucket];
    auto after = index.lower_bound(name);
    std::unique_ptr<SourceSymbol>* link =
        after == index.begin() ? &buckets_[bucket] : &std::prev(after)->second->next;
    symbol->next = std::move(*link);
    *link = std::move(symbol);
    SourceSymbol* inserted = link->get();
    index.emplace_hint(after, inserted->name, inserted);
    return inserted;
}

SourceSymbol* SourceSymbolTable::First() {
    iterNode_ = nullptr;
    iterBucket_ = 0;
    for (; iterBucket_ < buckets_.size(); ++iterBucket_) {
        if (buckets_[iterBucket_]) {
            iterNode_ = buckets_[iterBucket_].get();
            break;
        }
    }
    return iterNode_;
}

SourceSymbol* SourceSymbolTable::Next() {
    if (iterNode_ == nullptr) {
        return nullptr;
    }
    if (iterNode_->next) {
        iterNode_ = iterNode_->next.get();
        return iterNode_;
    }
    iterNode_ = nullptr;
    for (++iterBucket_; iterBucket_ < buckets_.size(); ++iterBucket_) {
        if (buckets_[iterBucket_]) {
            iterNode_ = buckets_[iterBucket_].get();
            break;
        }
    }
    return iterNode_;
}

namespace {

constexpr std::array<int, 29> kTypeKeywords = {
    KeywordToken("any"),      KeywordToken("bool"),   KeywordToken("boolean"),
    KeywordToken("byte"),     KeywordToken("char"),   KeywordToken("date"),
    KeywordToken("decimal"),  KeywordToken("double"), KeywordToken("float"),
    KeywordToken("int"),      KeywordToken("list"),   KeywordToken("long"),
    KeywordToken("map"),      KeywordToken("native"), KeywordToken("octet"),
    KeywordToken("real"),     KeywordToken("sbyte"),  KeywordToken("short"),
    KeywordToken("signed"),   KeywordToken("stream"), KeywordToken("string"),
    KeywordToken("symbol"),   KeywordToken("uint"),   KeywordToken("ulong"),
    KeywordToken("unsigned"), KeywordToken("ushort"), KeywordToken("vague"),
    KeywordToken("vector"),   KeywordToken("void"),
};

struct ModifierRow {
    int token;
    int bit;
};

// A modifier bit (kModOverride is the word's top bit) and its member flag.
struct MemberFlagRow {
    unsigned modifier;
    int bit;
};

constexpr std::array<ModifierRow, 30> kModifierBits = {{
    {KeywordToken("private"), kModPrivate},
    {KeywordToken("protected"), kModProtected},
    {KeywordToken("public"), kModPublic}, // also "publicinternal"
    {KeywordToken("const"), kModConst},   // also "constant"
    {KeywordToken("static"), kModStatic},
    {KeywordToken("virtual"), kModVirtual},
    {KeywordToken("in"), kModIn},
    {KeywordToken("out"), kModOut},
    {KeywordToken("inout"), kModInOut},
    {KeywordToken("readonly"), kModReadonly},
    {KeywordToken("oneway"), kModOneway},
    {KeywordToken("abstract"), kModAbstract},
    {KeywordToken("final"), kModFinal},
    {KeywordToken("volatile"), kModVolatile},
    {KeywordToken("transient"), kModTransient},
    {KeywordToken("synchronized"), kModSynchronized},
    {KeywordToken("native"), kModNative},
    {KeywordToken("new"), kModNew},
    {KeywordToken("internal"), kModInternal},
    {KeywordToken("sealed"), kModSealed},
    {KeywordToken("partial"), kModPartial},
    {KeywordToken("clocal"), kModClocal},
    {KeywordToken("slocal"), kModSlocal},
    {KeywordToken("generated"), kModGenerated},
    {KeywordToken("getable"), kModGetable},
    {KeywordToken("setable"), kModSetable},
    {KeywordToken("mutual"), kModMutual},
    {KeywordToken("remote"), kModRemote},
    {KeywordToken("singleton"), kModSingleton},
    {KeywordToken("delayed"), kModDelayed},
}};

// Modifier bit -> bit of the project model's member flag word.
constexpr std::array<MemberFlagRow, 13> kMemberFlagBits = {{
    {kModConst, 2},
    {kModStatic, 1},
    {kModVirtual, 8},
    {kModOneway, 32},
    {kModReadonly, 64},
    {kModAbstract, 128},
    {kModFinal, 0x100},
    {kModVolatile, 0x200},
    {kModTransient, 0x400},
    {kModSynchronized, 0x800},
    {kModNative, 0x1000},
    {kModExplicit, 0x4000},
    {kModOverride, 0x8000},
}};

constexpr int kMemberFlagsBase = 16;

} // namespace

bool IsTypeKeyword(int token) {
    for (int t : kTypeKeywords) {
        if (t == token) {
            return true;
        }
    }
    return false;
}

std::string_view TokenText(int token, std::string_view currentText) {
    if ((token >= 0 && token < kFirstNonKeywordToken) ||
        (token >= kTokString && token <= kTokCharacter)) {
        return currentText;
    }
    if (token == kTokBackslash) {
        return "\\"; // Orvistal's scope separator belongs in type texts
    }
    return PunctuationSpelling(token);
}

int ModifierBitOf(int token) {
    for (const ModifierRow& row : kModifierBits) {
        if (row.token == token) {
            return row.bit;
        }
    }
    return 0;
}

std::pair<int, int> MemberAccessAndFlags(const SourceSymbol& symbol) {
    int f = symbol.flags;
    int access = (f & kModPrivate) ? 1 : (f & kModProtected) ? 2 : (f & kModPublic) ? 3 : 0;
    int memberFlags = kMemberFlagsBase;
    for (const MemberFlagRow& row : kMemberFlagBits) {
        if ((static_cast<unsigned>(f) & row.modifier) != 0) {
            memberFlags |= row.bit;
        }
    }
    return {access, memberFlags};
}

int ParameterDirectionOf(const SourceSymbol& symbol, int mode) {
    if (symbol.flags & kModIn) {
        mode |= 1;
    }
    if (symbol.flags & kModOut) {
        mode |= 2;
    }
    return mode;
}

} // namespace qm
