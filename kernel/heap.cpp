// The cell heap: 8192-byte blocks handed out by bumping a pointer, the shared
// small integers, the cell makers, the list primitives and the single heapmark.
#include "kernel/Cell.h"

#include "kernel/Channel.h"
#include "kernel/Errors.h"
#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "platform/Errors.h"
#include "platform/Log.h"

#if defined(__SANITIZE_ADDRESS__)
#define QM_LSAN_ROOTS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_LSAN_ROOTS 1
#endif
#endif
#ifndef QM_LSAN_ROOTS
#define QM_LSAN_ROOTS 0
#endif
#if QM_LSAN_ROOTS
#include <sanitizer/lsan_interface.h>
#endif

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kest {

namespace {

// Standard blocks released by a mark are kept (up to 32 MB) and handed out
// again, so that repeated runs do not fault fresh pages in every time.
constexpr size_t SpareBlocks = 4096;

// Standard blocks are cut from slabs of 2 MB aligned to 2 MB, which the
// system may back with huge pages: a run that builds hundreds of megabytes of
// cells then takes a page fault per slab instead of one per 4 KB page, and
// those faults were most of the time a large generator spent outside its
// own work. A slab goes back only once every block of it is spare.
constexpr size_t SlabBlocks = SlabBytes / BlockSize;

uintptr_t slabof(const char* block) {
    return reinterpret_cast<uintptr_t>(block) & ~(SlabBytes - 1);
}

// Slabs are mapped from the system and given back to it whole: taken from
// the allocator, the ends cut off to align them broke its free memory into
// pieces that the next run's slabs could not use.
char* mapslab() {
    const size_t span = SlabBytes * 2;
    void* mapped =
        ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + SlabBytes - 1) & ~(SlabBytes - 1);
    if (aligned > start)
        ::munmap(mapped, aligned - start);
    const uintptr_t end = aligned + SlabBytes;
    if (start + span > end)
        ::munmap(reinterpret_cast<void*>(end), start + span - end);
    char* slab = reinterpret_cast<char*>(aligned);
    ::madvise(slab, SlabBytes, MADV_HUGEPAGE); // a hint: refused, small pages serve
#if QM_LSAN_ROOTS
    // Cells hold the only pointers to some allocations (channel buffers).
    __lsan_register_root_region(slab, SlabBytes);
#endif
    return slab;
}

} // namespace

void unmapslab(char* slab) {
#if QM_LSAN_ROOTS
    __lsan_unregister_root_region(slab, SlabBytes);
#endif
    ::munmap(slab, SlabBytes);
}

namespace {

char* slabblock() {
    if (heaptable.slableft == 0) {
        char* slab = mapslab();
        heaptable.slabs.push_back(slab);
        heaptable.slabnext = slab;
        heaptable.slableft = SlabBlocks;
    }
    char* block = heaptable.slabnext;
    heaptable.slabnext += BlockSize;
    --heaptable.slableft;
    return block;
}

// While more blocks are spare than kept, gives back the slabs whose every
// block is spare (a slab still being cut never has them all spare).
void trimslabs() {
    std::vector<char*>& spare = heaptable.spare;
    if (spare.size() <= SpareBlocks)
        return;
    std::unordered_map<uintptr_t, size_t> sparecount;
    for (char* block : spare)
        ++sparecount[slabof(block)];
    std::unordered_set<uintptr_t> gone;
    size_t left = spare.size();
    for (const auto& [slab, count] : sparecount) {
        if (count == SlabBlocks && left > SpareBlocks) {
            gone.insert(slab);
            left -= SlabBlocks;
        }
    }
    if (gone.empty())
        return;
    std::erase_if(spare, [&](char* block) { return gone.count(slabof(block)) != 0; });
    std::erase_if(heaptable.slabs, [&](char* slab) {
        if (gone.count(reinterpret_cast<uintptr_t>(slab)) == 0)
            return false;
        unmapslab(slab);
        return true;
    });
}

void releaseblocks(size_t keep) {
    while (heaptable.blocks.size() > keep) {
        heaptable.bytes -= blocksizes.back();
        if (blocksizes.back() == BlockSize)
            heaptable.spare.push_back(heaptable.blocks.back());
        else
            std::free(heaptable.blocks.back());
        heaptable.blocks.pop_back();
        blocksizes.pop_back();
    }
    trimslabs();
}

char* newblock(size_t size) {
    const size_t bytes = size > BlockSize ? size : BlockSize;
    if (heaptable.blocks.size() >= heaptable.limit || bytes > heaptable.bytelimit ||
        heaptable.bytes > heaptable.bytelimit - bytes)
        fatal("KestScript cell memory exhausted");
    char* block = nullptr;
    if (bytes == BlockSize && !heaptable.spare.empty()) {
        block = heaptable.spare.back();
        heaptable.spare.pop_back();
    } else if (bytes == BlockSize) {
        block = slabblock();
    } else {
        block = static_cast<char*>(std::malloc(bytes));
        if (block == nullptr)
            throw std::bad_alloc();
    }
    heaptable.blocks.push_back(block);
    blocksizes.push_back(bytes);
    heaptable.bytes += bytes;
    if (heaptable.bytes > heaptable.peak)
        heaptable.peak = heaptable.bytes;
    return block;
}

} // namespace

uint32_t nextstamp() {
    return ++stampcounter;
}

uint32_t heapreleases() {
    return releasecounter;
}

void initheap() {
    ++releasecounter;
    heapmark.active = false;
    releaseblocks(0);
    heaptable.blocks.reserve(64);
    heapcursor.next = newblock(BlockSize);
    heapcursor.used = 0;
    smallints = static_cast<Cell*>(heapalloc(256 * sizeof(Cell)));
    for (int i = 0; i < 256; ++i) {
        smallints[i].type = TInteger;
        smallints[i].flag = 0;
        smallints[i].stamp = 0;
        smallints[i].a.ival = i - 128;
        smallints[i].b.cdr = nil;
    }
}

void* heapallocblock(size_t size) {
    char* block = newblock(size);
    heapcursor.used = size;
    heapcursor.next = block + size;
    return block;
}

char* heapstr(const char* text, size_t length) {
    char* s = static_cast<char*>(heapalloc(length + 1));
    std::memcpy(s, text, length);
    s[length] = '\0';
    return s;
}

void setblocklimit(size_t blocks) {
    heaptable.limit = blocks == 0 ? SIZE_MAX : blocks;
}

void setheaplimit(size_t bytes) {
    heaptable.bytelimit = bytes == 0 ? DefaultHeapLimit : bytes;
}

size_t heaplimit() {
    return heaptable.bytelimit;
}

size_t heapbytes() {
    return heaptable.bytes;
}

size_t heappeak() {
    return heaptable.peak;
}

void resetheappeak() {
    heaptable.peak = heaptable.bytes;
}

size_t heapblocks() {
    return heaptable.blocks.size();
}
size_t heapused() {
    return heapcursor.used;
}

Cell* mkreal(float f) {
    Cell* c = newcell();
    c->type = TReal;
    c->a.rval = f;
    return c;
}

Cell* mkstr(const char* text, size_t length) {
    char* s = heapstr(text, length);
    Cell* c = newcell();
    c->type = TString;
    c->a.str = s;
    return c;
}

Cell* mkstr(const char* text) {
    return mkstr(text, std::strlen(text));
}

Cell* mkref(void* object, uint8_t kind) {
    if (object == nullptr)
        return nil;
    Cell* c = newcell();
    c->type = TRef;
    c->flag = kind;
    c->a.ref = object;
    c->b.cdr = nullptr;
    return c;
}

namespace {
int hexvalue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

Cell* mkhexchunk(const char* hex) {
    uint8_t bytes[256];
    for (int i = 0; i < 256; ++i) {
        int hi = hexvalue(hex[2 * i]);
        if (hi < 0)
            return nullptr;
        int lo = hexvalue(hex[2 * i + 1]);
        if (lo < 0)
            return nullptr;
        bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    uint8_t* block = static_cast<uint8_t*>(heapalloc(256));
    std::memcpy(block, bytes, 256);
    Cell* c = newcell();
    c->type = TChunk;
    c->a.chunk = block;
    return c;
}

Cell* mkbinary(size_t size, const uint8_t* bytes) {
    Cell* head = mkcons(mkint(static_cast<int32_t>(size)), nil);
    Cell* tail = head;
    for (size_t offset = 0; offset < size; offset += 256) {
        uint8_t* block = static_cast<uint8_t*>(heapalloc(256));
        size_t n = size - offset < 256 ? size - offset : 256;
        std::memcpy(block, bytes + offset, n);
        std::memset(block + n, 0, 256 - n);
        Cell* chunk = newcell();
        chunk->type = TChunk;
        chunk->a.chunk = block;
        tail->b.cdr = mkcons(chunk, nil);
        tail = cdr(tail);
    }
    return head;
}

Cell* mkset(Cell* element, Cell* rest) {
    Cell* c = mkcons(element, rest);
    c->type = TSet;
    return c;
}

Cell* mkchan(Channel* channel) {
    Cell* c = newcell();
    c->type = TChannel;
    c->a.chan = channel;
    return c;
}

Cell* mkdialog(void* connection) {
    Cell* c = newcell();
    c->type = TDialog;
    c->a.conn = connection;
    return c;
}

Cell* mkvector(int32_t dimension) {
    if (dimension < 0)
        dimension = 0;
    Cell** elems = static_cast<Cell**>(heapalloc(sizeof(Cell*) * static_cast<size_t>(dimension)));
    for (int32_t i = 0; i < dimension; ++i)
        elems[i] = nil;
    Cell* c = newcell();
    c->type = TVector;
    c->a.dim = mkint(dimension);
    c->b.elems = elems;
    return c;
}

Cell* mklist(Cell* first, ...) {
    Cell* collected[512];
    int n = 0;
    va_list args;
    va_start(args, first);
    for (Cell* c = first; c != nullptr; c = va_arg(args, Cell*)) {
        if (n == 511) {
            va_end(args);
            qm::ReportOperationFailure(false, "mklist: list too long!", true);
        }
        collected[n++] = c;
    }
    va_end(args);
    Cell* list = nil;
    while (n > 0)
        list = mkcons(collected[--n], list);
    return list;
}

int32_t listlength(Cell* list) {
    int32_t n = 0;
    for (; ispair(list); list = cdr(list))
        ++n;
    return n;
}

Cell* lastcons(Cell* list) {
    if (!ispair(list))
        return nil;
    while (ispair(cdr(list)))
        list = cdr(list);
    return list;
}

Cell* nconc(Cell* a, Cell* b) {
    if (!ispair(a))
        return b;
    lastcons(a)->b.cdr = b;
    return a;
}

Cell* nreverse(Cell* list) {
    Cell* result = nil;
    while (ispair(list)) {
        Cell* rest = cdr(list);
        list->b.cdr = result;
        result = list;
        list = rest;
    }
    return result;
}

bool equalcells(Cell* x, Cell* y) {
    NestingGuard guard;
    for (;;) {
        if (x == y)
            return true;
        if (x->type != y->type || issymbol(x))
            return false;
        switch (x->type) {
        case TInteger:
            return x->a.ival == y->a.ival;
        case TChannel:
            return x->a.chan == y->a.chan;
        case TReal:
            return x->a.rval == y->a.rval;
        case TString:
            return std::strcmp(x->a.str, y->a.str) == 0;
        case TRef:
            return x->a.ref == y->a.ref;
        case TVector: {
            int32_t n = x->a.dim->a.ival;
            if (n != y->a.dim->a.ival)
                return false;
            for (int32_t i = 0; i < n; ++i)
                if (!equalcells(x->b.elems[i], y->b.elems[i]))
                    return false;
            return true;
        }
        case TSet:
            for (Cell* e = x; ispair(e); e = cdr(e))
                if (!memberequal(car(e), y))
                    return false;
            return true;
        case TList:
            while (ispair(x)) {
                if (!ispair(y) || !equalcells(car(x), car(y)))
                    return false;
                x = cdr(x);
                y = cdr(y);
            }
            if (x == nil)
                return y == nil;
            continue; // compare the dotted tails
        default:
            return false; // chunks, dialogs and unknown codes: only the same cell
        }
    }
}

bool memberequal(Cell* x, Cell* list) {
    for (; ispair(list); list = cdr(list))
        if (equalcells(x, car(list)))
            return true;
    return false;
}

bool tagmember(Cell* x, Cell* list) {
    for (; ispair(list); list = cdr(list))
        if (car(list) == x)
            return true;
    return false;
}

Cell* normset(Cell* set) {
    while (ispair(set) && memberequal(car(set), cdr(set)))
        set = cdr(set);
    if (!ispair(set))
        return set;
    Cell* previous = set;
    while (ispair(cdr(previous))) {
        Cell* pair = cdr(previous);
        if (memberequal(car(pair), cdr(pair)))
            previous->b.cdr = cdr(pair);
        else
            previous = pair;
    }
    return set;
}

void savemark() {
    heapmark.evaltop = stacks.evaltop;
    heapmark.vartop = stacks.vartop;
    heapmark.argtop = stacks.argtop;
    heapmark.vlamframe = stacks.vlamframe;
    heapmark.block = heaptable.blocks.size() - 1;
    heapmark.used = heapcursor.used;
    heapmark.next = heapcursor.next;
    heapmark.stamp = stampcounter;
    heapmark.active = true;
}

bool markactive() {
    return heapmark.active;
}

void restoremark() {
    if (!heapmark.active)
        return;
    heapmark.active = false;
    stacks.evaltop = heapmark.evaltop;
    stacks.vartop = heapmark.vartop;
    stacks.argtop = heapmark.argtop;
    stacks.vlamframe = heapmark.vlamframe;
    // Channels and symbols made since the mark live in the blocks about to go:
    // close and unlink them first, so that nothing keeps pointing there.
    closechansafter(heapmark.stamp);
    unlinksymbolsafter(heapmark.stamp);
    ++releasecounter;
    releaseblocks(heapmark.block + 1);
    heapcursor.used = heapmark.used;
    heapcursor.next = heapmark.next;
}

HeapMark pushmark() {
    const HeapMark outer = heapmark;
    savemark();
    return outer;
}

void popmark(const HeapMark& outer) {
    restoremark();
    if (outer.active)
        heapmark = outer;
}

void fatal(const char* message) {
    qm::Log().Show(true);
    qm::Log().Append("FATAL ERROR: ");
    qm::Log().Append(message);
    qm::Log().Append("\r\n");
    stacks.evaltop = -1;
    throw qm::CKestException(message, 0);
}

} // namespace kest
