// The symbol table of a reverse-engineering run and the nodes of its parse
// tree. One hash table holds the run's keywords and every top-level
// declaration; members, parameters and base references hang from their
// declarations as child lists. Also the small look-ups shared by the parsers:
// type keywords, token texts, modifier bits and member flags.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

// A text that may be absent (the parse tree distinguishes "none" from "").
using OwnedText = std::optional<std::string>;

enum SourceNodeKind : int {
    kNodeKeyword = 1,
    kNodeBaseClass = 2,    // reference to a base class (generalization)
    kNodeImplements = 3,   // reference to an implemented interface
    kNodePackage = 4,      // package or namespace
    kNodeClass = 5,        // class; a struct has kModStruct
    kNodeInterface = 6,    //
    kNodeAttribute = 7,    // field, constant
    kNodeMethod = 8,       //
    kNodeParameter = 9,    // parameter, enumerator, generic type parameter
    kNodeException = 11,   // declared or raised exception
    kNodeContext = 12,     // context name a method declares
    kNodeEnumeration = 13, //
    kNodeTypedef = 14,     //
    kNodeOtherType = 15,   // struct or union declared as a type
};

// Modifier bits of a declaration's flags word.
enum SourceModifier : unsigned {
    kModPrivate = 0x1,
    kModProtected = 0x2,
    kModPublic = 0x4,
    kModConst = 0x8,
    kModStatic = 0x10,
    kModVirtual = 0x20,
    kModIn = 0x40,
    kModOut = 0x80,
    kModInOut = 0xC0,
    kModReadonly = 0x100,
    kModOneway = 0x200,
    kModAbstract = 0x400,
    kModFinal = 0x800,
    kModVolatile = 0x1000,
    kModTransient = 0x2000,
    kModSynchronized = 0x4000,
    kModNative = 0x8000,
    // The bit of C++'s explicit is also Java's non-sealed: the word has no
    // free bit left, and no language has both (explicit marks members,
    // non-sealed types).
    kModExplicit = 0x10000,  // a C++ constructor or conversion declared explicit
    kModNonSealed = 0x10000, // Java non-sealed; no keyword
    kModStruct = 0x20000,    // set by the parsers for structs; no keyword
    kModNew = 0x40000,
    kModInternal = 0x80000,
    kModSealed = 0x100000,
    kModPartial = 0x200000,
    kModClocal = 0x400000,
    kModSlocal = 0x800000,
    kModGenerated = 0x1000000,
    kModGetable = 0x2000000,
    kModSetable = 0x4000000,
    kModMutual = 0x8000000,
    kModRemote = 0x10000000,
    kModSingleton = 0x20000000,
    kModDelayed = 0x40000000,
    kModOverride = 0x80000000, // a C++ method declared override
};

// One node of the parse tree. In the table `next` links a bucket chain; in a
// child list it links the siblings. A node owns its texts, its sameName
// successors, its children and its `next` successors.
class SourceSymbol {
  public:
    SourceSymbol(std::string name, OwnedText qualifier)
        : name(std::move(name)), qualifier(std::move(qualifier)) {}
    ~SourceSymbol();
    SourceSymbol(const SourceSymbol&) = delete;
    SourceSymbol& operator=(const SourceSymbol&) = delete;

    // Nodes come from a pool of large blocks: a run makes tens of
    // thousands of them, and taking each from the heap touched a fresh page
    // every dozen nodes. The blocks go back once the last node is deleted.
    static void* operator new(size_t size);
    static void operator delete(void* node, size_t size) noexcept;

    // Adds a child, or for kinds 5, 6 and 11 updates an existing child of
    // that kind and name: its qualifier when one is given, its flags when
    // non-zero, each text when given. Returns the new or updated child.
    SourceSymbol* AddChild(int language, std::string_view childName, OwnedText childQualifier,
                           int childKind, int childFlags, OwnedText childText1,
                           OwnedText childText2, OwnedText childComment);
    // Appends a node at the end of the child list and returns it.
    SourceSymbol* AppendChild(std::unique_ptr<SourceSymbol> child);
    // The first child of that name, or null.
    SourceSymbol* FindChild(int language, std::string_view childName) const;
    // Unlinks and deletes the first child of that name; false when none.
    bool RemoveChildByName(int language, std::string_view childName);
    // True when a child of kind 9 exists (a class's generic parameters).
    bool HasGenericParameters() const;

    std::string name;
    OwnedText qualifier;
    int kind = 0;
    int flags = 0; // a keyword's token code, or a declaration's modifier bits
    OwnedText text1;
    OwnedText text2;
    OwnedText comment;
    // Set for a class known only from a forward declaration: it makes no
    // master, so that it neither adds an empty one nor empties one.
    bool forwardOnly = false;
    // Set for a class known only as a base that no declaration of the run
    // names: it gets its master, for the inheritance to point at, but no
    // code of its own is generated for it (it is declared elsewhere).
    bool baseOnly = false;
    // A Java enumeration read as a class: its constants are its first
    // static attributes, each valued with its arguments and class body.
    bool enumeration = false;
    // A Java record: its components are its instance fields.
    bool record = false;
    // A Java inner class: a class nested in a class without "static", whose
    // instances belong to an instance of the class around them.
    bool inner = false;
    // A C++ union: a class whose members share their storage.
    bool cppUnion = false;
    // A base reference whose name was written with the names of the types
    // around it ("Sink.ChainedDouble"): its qualifier holds those names
    // until the run resolves it to the nested type they name.
    bool nestedPath = false;
    // A C++ base whose scope named no class known when it was read: the
    // namespace it was written in, so that the run can look for the class
    // once every file is read.
    OwnedText referencedFrom;
    // A Java top-level type: the imports of its file, one a line; none for
    // a type only named, not declared.
    OwnedText imports;
    std::unique_ptr<SourceSymbol> sameName;
    std::unique_ptr<SourceSymbol> firstChild;
    std::unique_ptr<SourceSymbol> next;

  private:
    SourceSymbol* lastChild_ = nullptr; // keeps appending constant-time
};

// The hash table of a run. Bucket chains are sorted by CompareNames; one
// bucket holds one symbol per name, others of that name with other
// qualifiers hang from its sameName chain.
class SourceSymbolTable {
  public:
    explicit SourceSymbolTable(int language, size_t bucketCount = 64);
    virtual ~SourceSymbolTable();
    SourceSymbolTable(const SourceSymbolTable&) = delete;
    SourceSymbolTable& operator=(const SourceSymbolTable&) = delete;

    // The sum of the lower-cased bytes of name, modulo the bucket count.
    size_t Hash(std::string_view name) const { return BucketOf(HashSum(name)); }
    // The sum of the lower-cased bytes of name, and the bucket of such a sum.
    static size_t HashSum(std::string_view name);
    size_t BucketOf(size_t sum) const {
        return bucketMask_ != 0 ? (sum & bucketMask_) : sum % buckets_.size();
    }
    // Without regard to letter case when the mask holds Forte TOOL, else
    // exactly; below, at or above zero.
    static int CompareNames(int languageMask, std::string_view a, std::string_view b);

    // The symbol of that name; with a qualifier, the first of its sameName
    // chain whose qualifier matches (none when the chain reaches an entry
    // without qualifier). Null when not found.
    SourceSymbol* Find(int language, std::string_view name, const OwnedText& qualifier) const;
    // The symbol of that name in a bucket (from Hash), without qualifier.
    SourceSymbol* FindInBucket(int language, std::string_view name, size_t bucket) const;
    // Find, else a new empty symbol of that name and qualifier.
    SourceSymbol* FindOrInsert(int language, std::string_view name, const OwnedText& qualifier);

    // Iteration over the bucket chains (not the sameName chains); null at the end.
    SourceSymbol* First();
    SourceSymbol* Next();

    int Language() const { return language_; }

  private:
    // Orders names as the table's language compares them.
    struct NameLess {
        int language;
        bool operator()(std::string_view a, std::string_view b) const {
            return CompareNames(language, a, b) < 0;
        }
    };
    using BucketIndex = std::map<std::string_view, SourceSymbol*, NameLess>;

    std::vector<std::unique_ptr<SourceSymbol>> buckets_;
    // Each bucket's chain heads by name (the keys are the symbols' own
    // names), so that a look-up or an insertion in a run of many thousand
    // declarations does not walk the chain: the chains keep their order,
    // which the passes over the table follow.
    std::vector<BucketIndex> index_;
    size_t bucketMask_ = 0; // bucket count - 1 when it is a power of two
    int language_;
    SourceSymbol* iterNode_ = nullptr;
    size_t iterBucket_ = 0;
};

// The qualifier of a type nested in enclosing: the enclosing type's own
// qualifier and name joined by separator ("::" for C++, "." otherwise).
std::string NestedQualifier(const SourceSymbol& enclosing, std::string_view separator);

// True for the built-in type words the parsers accept where a type is expected.
bool IsTypeKeyword(int token);
// The text of a token: the current token text for keywords and for strings,
// identifiers, numbers and characters; the spelling of punctuation and of
// the backslash; else "".
std::string_view TokenText(int token, std::string_view currentText);
// The modifier bit of a keyword token; 0 for any other token.
int ModifierBitOf(int token);
// The member access (1 private, 2 protected, 3 public, else 0) and the
// project model's member flag word for a declaration's modifier bits.
std::pair<int, int> MemberAccessAndFlags(const SourceSymbol& symbol);
// Adds the parameter direction bits (1 in, 2 out) of a declaration to mode.
int ParameterDirectionOf(const SourceSymbol& symbol, int mode);

} // namespace qm
