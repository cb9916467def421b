// Script errors: the error table, scripterror with its report in the log
// ("KestScript ERROR: " form, message and value, then the stack dump), and
// the stack dump itself.
#pragma once

#include "kernel/Cell.h"

namespace kest {

// Indexes into the error table.
enum ErrorCode {
    ErrWrongCount = 0,      // "incorrect number of arguments"
    ErrBadParams = 1,       // "bad parameter(s)"
    ErrEvalOverflow = 2,    // "evaluation stack overflow"
    ErrVarOverflow = 3,     // "variable stack overflow"
    ErrArgOverflow = 4,     // "argument stack overflow"
    ErrCatchOverflow = 5,   // "catch stack overflow"
    ErrNoMemory = 6,        // "memory space exhausted"
    ErrDivByZero = 7,       // "division by zero"
    ErrIntExpected = 8,     // "integer number expected"
    ErrRealExpected = 9,    // "real number expected"
    ErrNumberExpected = 10, // "number expected"
    ErrStringExpected = 11, // "string expected"
    ErrChanExpected = 12,   // "channel expected"
    ErrBadChan = 13,        // "bad channel"
    ErrDialogExpected = 14, // "dialog expected"
    ErrBadDialog = 15,      // "bad dialog"
    ErrSymbolExpected = 16, // "symbol expected"
    ErrNonConstant = 17,    // "non-constant symbol expected"
    ErrNonNilList = 18,     // "non-nil list expected"
    ErrListExpected = 19,   // "list expected"
    ErrRefExpected = 20,    // "object reference expected"
    ErrBadVariable = 21,    // "bad variable"
    ErrBadDomain = 22,      // "bad domain designator"
};

const char* errortext(ErrorCode code);

// Reports a script error and never returns. form (usually the built-in's
// symbol) and value may be null. Sets the error flag; when reporting, writes
// "KestScript ERROR: " [form ": "] message [": " value] and a stack dump of
// at most 100 levels to the log. Inside capeval the error abandons that
// evaluation (a throw to the internal error tag); elsewhere it is
// fatal("KestScript Error").
[[noreturn]] void scripterror(Cell* form, const char* message, Cell* value = nullptr);
[[noreturn]] void scripterror(Cell* form, ErrorCode code, Cell* value = nullptr);

// Writes the n innermost evaluation-stack levels to the log, one line each:
// "[%02ld] " and the level's form, an element identical to the inner level's
// form shown as "<**>", "..." where the line would pass 80 characters.
Cell* stackdump(int n);

} // namespace kest
