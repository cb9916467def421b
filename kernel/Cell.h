// The kernel's value, the cell, and the cell heap it is carved from: type
// codes, the makers that build cells, the list primitives the whole program
// uses on them, and the one mark that returns the heap to an earlier state.
//
// There is no garbage collector. Every cell, symbol, string and channel comes
// from 8192-byte blocks that are released only by restoremark, so a value that
// must outlive a script run or a file read has to be turned into an object
// before the mark is restored.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kest {

struct Cell;
struct Channel;
struct Symbol;

// Cell type codes. Codes below 10 are symbols (the code is the symbol's kind);
// TList and TSet count as pairs for the list primitives.
enum CellType : uint8_t {
    TInteger = 11,
    TReal = 12,
    TString = 13,
    TChannel = 14,
    TChunk = 15, // a 256-byte binary chunk
    TRef = 16,   // a reference to a model object
    TVector = 17,
    TList = 18,
    TSet = 19,
    TDialog = 20, // a network connection
};

// The kinds of a symbol; a symbol's kind stands where a cell has its type.
enum SymbolKind : uint8_t {
    KPlain = 0,    // no value
    KSystem = 1,   // nil, t, eof and the standard channels: constant
    KVariable = 2, // a variable
    KFunction = 3, // a defined function: the value is its definition
    KBuiltin = 4,  // evaluated arguments, the handler checks the count
    KBuiltinN = 5, // evaluated arguments of any count
    KSpecial = 6,  // special form: the unevaluated argument list
    KMacro = 7,    // built-in macro: the result replaces the calling form
    KMarker = 8,   // private marker, outside the table
};

// A cell: a type code, a flag byte and two pointer-sized words. Integers stay
// 32-bit and reals 32-bit floats, whatever the word size. The member of each
// word that is read is the one its type code says was written.
struct Cell {
    uint8_t type;
    uint8_t flag;   // the reference kind of an object reference
    uint32_t stamp; // symbols and channels: the creation stamp marks compare
    union {
        Cell* car;
        int32_t ival;
        float rval;
        char* str;
        Channel* chan;
        uint8_t* chunk;
        void* ref;
        Cell* dim; // vector: the integer cell of its dimension
        void* conn;
    } a;
    union {
        Cell* cdr;
        Cell** elems; // vector: the array of its elements
    } b;
};

// A built-in's handler. It finds its arguments in its frame of the argument
// stack and receives the symbol it was called through (for error reports and
// for the generic c[ad]*r accessor, which walks its own name).
using Handler = Cell* (*)(Symbol* self);

// A symbol begins like a cell: its kind in the type byte, its value in word a
// and its property list in word b, so a symbol pointer stands wherever a cell
// pointer stands and the raw car and cdr of nil are nil.
struct Symbol : Cell {
    char* name;
    Symbol* next;    // next symbol of the same bucket
    Handler handler; // kinds 4 to 7

    uint8_t& kind() { return type; }
    Cell*& value() { return a.car; }
    Cell*& plist() { return b.cdr; }
};

// The symbol nil (the empty list). Set by initkernel; null before it.
extern Symbol* nil; // defined with the rest of the kernel state (state.cpp)

inline bool issymbol(const Cell* c) {
    return c->type < 10;
}
// List and set pairs. A connection cell's word a points to its record, not
// to a cell, so it is never walked as a pair.
inline bool ispair(const Cell* c) {
    return c->type == TList || c->type == TSet;
}
inline bool islist(const Cell* c) {
    return c == nil || ispair(c);
}
inline bool isnumber(const Cell* c) {
    return c->type == TInteger || c->type == TReal;
}
inline Cell* car(const Cell* c) {
    return c->a.car;
}
inline Cell* cdr(const Cell* c) {
    return c->b.cdr;
}

// ---- the heap ----

inline constexpr size_t BlockSize = 8192;
// Cells are 24 bytes here against the original 12, so the table holds four
// times the original 8192 blocks: at least twice as many cells as before.
// It is also the largest vector dimension's measure.
inline constexpr size_t BlockTableSize = 32768;
// The heap grows block by block as a run needs it, up to a limit in bytes
// (the settings hold it; this is the default): past it an allocation is
// fatal("KestScript cell memory exhausted").
inline constexpr size_t DefaultHeapLimit = size_t{1} << 30;

// Empties the block table, takes the first block and fills the shared cells of
// the integers -128..127 into it (called by initkernel).
void initheap();
// The current block's cursor (read by the inline allocation below).
struct HeapCursor {
    char* next = nullptr; // next free byte
    size_t used = 0;      // bytes used in the current block
};
extern HeapCursor heapcursor; // defined with the rest of the kernel state (state.cpp)
void* heapallocblock(size_t size);

// size bytes from the current block, aligned for a cell (sizes are rounded up
// to a multiple of 8). A request that would bring the current block's use to
// 8192 or more starts a new block of max(size, 8192) bytes. Past the heap's
// limit it is fatal("KestScript cell memory exhausted").
inline void* heapalloc(size_t size) {
    size = (size + 7) & ~size_t{7};
    if (heapcursor.used + size < BlockSize) {
        char* p = heapcursor.next;
        heapcursor.used += size;
        heapcursor.next += size;
        return p;
    }
    return heapallocblock(size);
}
// A cell with word b = nil; the caller sets the type and word a.
inline Cell* newcell() {
    Cell* c = static_cast<Cell*>(heapalloc(sizeof(Cell)));
    c->flag = 0;
    c->stamp = 0;
    c->b.cdr = nil;
    return c;
}
// A heap copy of text (NUL-terminated).
char* heapstr(const char* text, size_t length);

// Test and fuzz support: limits the number of blocks the heap may use (0: no
// limit of the count; the byte limit still holds).
void setblocklimit(size_t blocks);
// Sets the most bytes the heap's blocks may take (0: DefaultHeapLimit). A
// limit below what is in use already lets nothing more be taken.
void setheaplimit(size_t bytes);
size_t heaplimit();
// The bytes the heap's blocks take now.
size_t heapbytes();
// The most bytes the heap's blocks took since the last resetheappeak (for
// benchmarks: the script memory a run needed).
size_t heappeak();
void resetheappeak();
// Number of blocks in use, the bytes used in the current block (accounting).
size_t heapblocks();
size_t heapused();

// ---- cell makers ----

// The shared cells of -128..127 (made by initheap).
extern Cell* smallints;         // defined with the rest of the kernel state (state.cpp)
inline Cell* mkint(int32_t n) { // -128..127 are shared cells
    if (n >= -128 && n <= 127)
        return &smallints[n + 128];
    Cell* c = newcell();
    c->type = TInteger;
    c->a.ival = n;
    return c;
}
Cell* mkreal(float f);
Cell* mkstr(const char* text);
Cell* mkstr(const char* text, size_t length);
Cell* mkref(void* object, uint8_t kind); // a null object gives nil
// A chunk from 512 hexadecimal digits (0-9, A-F). Returns null when a digit is
// not one of those.
Cell* mkhexchunk(const char* hex);
// The list (size chunk1 chunk2 ...) of ceil(size/256) 256-byte chunks.
Cell* mkbinary(size_t size, const uint8_t* bytes);
inline Cell* mkcons(Cell* head, Cell* rest) {
    Cell* c = newcell();
    c->type = TList;
    c->a.car = head;
    c->b.cdr = rest;
    return c;
}
Cell* mkset(Cell* element, Cell* rest);
Cell* mkchan(Channel* channel);
Cell* mkdialog(void* connection);
Cell* mkvector(int32_t dimension); // elements nil
// The list of the cells up to the null pointer; 512 or more cells is the
// failure check "mklist: list too long!".
Cell* mklist(Cell* first, ...);

// ---- list primitives ----

int32_t listlength(Cell* list); // proper lists only
Cell* lastcons(Cell* list);     // the first pair whose cdr is not a pair; nil for nil
Cell* nconc(Cell* a, Cell* b);
Cell* nreverse(Cell* list);
bool equalcells(Cell* x, Cell* y);
bool memberequal(Cell* x, Cell* list);
bool tagmember(Cell* x, Cell* list);
Cell* normset(Cell* set); // the last occurrence of each value stays

// ---- the mark ----

// Saves the heap position and the four stack indexes and makes the mark
// active, replacing any active mark (marks do not nest).
void savemark();
// When a mark is active: restores the stack indexes, releases every block
// taken since, closes the listed channels and unlinks the run-time symbols
// made since (their memory goes with the blocks), and clears the mark.
// Otherwise does nothing.
void restoremark();
bool markactive();

// The kernel's unrecoverable failure: appends "FATAL ERROR: " and the message
// to the log, empties the evaluation stack and throws qm::CKestException.
[[noreturn]] void fatal(const char* message);

// A stamp that grows with every symbol and channel made; marks compare it.
uint32_t nextstamp();

// Grows whenever the heap gives cells back (restoremark, initheap): code
// outside the kernel that keeps cells to hand them out again keeps them only
// while this number stays what it was when it made them.
uint32_t heapreleases();

} // namespace kest
