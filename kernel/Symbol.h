// Symbols and the symbol table: 512 buckets whose chains are kept in
// ascending byte order of the names, interning, the generic c[ad]*r accessor
// and the purge that brings the table back to the symbols of initkernel.
#pragma once

#include "kernel/Cell.h"

#include <string>

namespace kest {

inline constexpr int SymbolBuckets = 512;

// Empties the 512 buckets.
void initsymtab();
// The bucket of a name: its bytes summed as signed 8-bit values, modulo 512.
int symhash(const char* name);
// The symbol of that name, or null.
Symbol* findsym(const char* name);
// The symbol of that name, made (kind 0, flag 0) when absent. A new name of
// the form c[ad]*r becomes a kind-4 accessor.
Symbol* intern(const char* name);
// A new kind-0, flag-0 symbol linked into its bucket (the name must be new).
Symbol* newsym(const char* name);
// A new symbol with the given fields; fatal("Symbol already defined: %s")
// when the name exists.
Symbol* definesym(const char* name, uint8_t kind, uint8_t flag, Cell* value,
                  Handler handler = nullptr);
// A kind-8 marker symbol outside the table (its value is itself).
Symbol* mkmarker(const char* name);
// After a script run: clears every property list, unlinks the symbols made
// at run time and gives the symbols of initkernel back the kind, value and
// handler they had when initkernel finished (see snapshotsymbols).
void purgesymbols();
// Records the kind, value and handler of every symbol now in the table as
// the state purgesymbols restores (called at the end of initkernel).
void snapshotsymbols();
// restoremark's part: unlinks the flag-0 symbols made after the stamp.
void unlinksymbolsafter(uint32_t stamp);
// A count that changes whenever symbols may have left the table (a purge, an
// unlink, the table emptied), so that a cache of look-ups knows to forget.
uint64_t symtabgeneration();
// Number of symbols in the table (for tests).
int symbolcount();

// The handler of the c[ad]*r accessors and the marker used as their errors' form.
Cell* cxrfn(Symbol* self);
extern Symbol* cxrmarker; // defined with the rest of the kernel state (state.cpp)

} // namespace kest
