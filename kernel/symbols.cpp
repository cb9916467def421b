// The symbol table: sorted chains in 512 buckets, interning, the generic
// c[ad]*r accessor and the purge after a script run.
#include "kernel/State.h"
#include "kernel/Symbol.h"

#include "kernel/Errors.h"
#include "kernel/Eval.h"
#include "platform/Format.h"

#include <cstring>
#include <vector>

namespace kest {

namespace {

bool iscxrname(const char* name) {
    size_t n = std::strlen(name);
    if (n < 2 || name[0] != 'c' || name[n - 1] != 'r')
        return false;
    for (size_t i = 1; i + 1 < n; ++i)
        if (name[i] != 'a' && name[i] != 'd')
            return false;
    return true;
}

Symbol* allocsym(const char* name) {
    size_t length = std::strlen(name);
    char* copy = heapstr(name, length);
    Symbol* s = static_cast<Symbol*>(heapalloc(sizeof(Symbol)));
    s->type = KPlain;
    s->flag = 0;
    s->stamp = nextstamp();
    s->a.car = nil;
    s->b.cdr = nil;
    s->name = copy;
    s->next = nullptr;
    s->handler = nullptr;
    return s;
}

// Takes a symbol that leaves the table out of both indexes.
void forgetsym(const Symbol* s) {
    symbolindex[symhash(s->name)].erase(std::string_view(s->name));
    symbolnames.erase(std::string_view(s->name));
}

} // namespace

uint64_t symtabgeneration() {
    return symbolgeneration;
}

void initsymtab() {
    ++symbolgeneration;
    for (auto& b : symbolbuckets)
        b = nullptr;
    for (auto& index : symbolindex)
        index.clear();
    symbolnames.clear();
    symbolsnapshot.clear();
}

int symhash(const char* name) {
    int sum = 0;
    for (const char* p = name; *p != '\0'; ++p)
        sum += static_cast<signed char>(*p);
    int bucket = sum % SymbolBuckets;
    return bucket < 0 ? bucket + SymbolBuckets : bucket;
}

Symbol* findsym(const char* name) {
    const auto found = symbolnames.find(std::string_view(name));
    return found == symbolnames.end() ? nullptr : found->second;
}

// The chain is kept in the index's order (std::string_view compares its
// bytes unsigned, as strcmp does): the new symbol goes after the one the
// index puts before it.
Symbol* newsym(const char* name) {
    Symbol* s = allocsym(name);
    const int bucket = symhash(name);
    auto& index = symbolindex[bucket];
    const auto at = index.emplace(std::string_view(s->name), s).first;
    symbolnames.emplace(std::string_view(s->name), s);
    if (at == index.begin()) {
        s->next = symbolbuckets[bucket];
        symbolbuckets[bucket] = s;
        return s;
    }
    Symbol* previous = std::prev(at)->second;
    s->next = previous->next;
    previous->next = s;
    return s;
}

Symbol* intern(const char* name) {
    if (Symbol* s = findsym(name))
        return s;
    Symbol* s = newsym(name);
    if (iscxrname(name)) {
        s->type = KBuiltin;
        s->handler = cxrfn;
    }
    return s;
}

Symbol* definesym(const char* name, uint8_t kind, uint8_t flag, Cell* value, Handler handler) {
    if (findsym(name) != nullptr)
        fatal(qm::Format("Symbol already defined: %s", name).c_str());
    Symbol* s = newsym(name);
    s->type = kind;
    s->flag = flag;
    s->a.car = value;
    s->handler = handler;
    return s;
}

Symbol* mkmarker(const char* name) {
    Symbol* s = allocsym(name);
    s->type = KMarker;
    s->flag = 1;
    s->a.car = s;
    return s;
}

void snapshotsymbols() {
    symbolsnapshot.clear();
    for (Symbol* head : symbolbuckets)
        for (Symbol* s = head; s != nullptr; s = s->next)
            if (s->flag == 1)
                symbolsnapshot.push_back({s, s->type, s->a.car, s->handler});
}

void purgesymbols() {
    ++symbolgeneration;
    for (Symbol*& head : symbolbuckets) {
        Symbol** link = &head;
        for (Symbol* s = head; s != nullptr; s = s->next) {
            s->b.cdr = nil;
            if (s->flag == 1) {
                *link = s;
                link = &s->next;
            } else {
                forgetsym(s);
            }
        }
        *link = nullptr;
    }
    // A script may have assigned, bound or redefined a predefined name; its
    // value could point into blocks that the run's restoremark releases.
    for (const SymbolSnapshot& kept : symbolsnapshot) {
        kept.symbol->type = kept.kind;
        kept.symbol->a.car = kept.value;
        kept.symbol->handler = kept.handler;
    }
}

void unlinksymbolsafter(uint32_t stamp) {
    ++symbolgeneration;
    for (Symbol*& head : symbolbuckets) {
        Symbol** link = &head;
        for (Symbol* s = head; s != nullptr; s = s->next) {
            if (s->flag == 1 || s->stamp <= stamp) {
                *link = s;
                link = &s->next;
            } else {
                forgetsym(s);
            }
        }
        *link = nullptr;
    }
}

int symbolcount() {
    int n = 0;
    for (Symbol* head : symbolbuckets)
        for (Symbol* s = head; s != nullptr; s = s->next)
            ++n;
    return n;
}

Cell* cxrfn(Symbol* self) {
    if (argcount() != 1)
        scripterror(cxrmarker, ErrWrongCount);
    Cell* value = argument(0);
    const char* name = self->name;
    for (size_t i = std::strlen(name) - 1; i-- > 1;) {
        if (!ispair(value)) {
            if (value == nil)
                return nil;
            scripterror(cxrmarker, ErrListExpected, value);
        }
        value = name[i] == 'a' ? car(value) : cdr(value);
    }
    return value;
}

} // namespace kest
