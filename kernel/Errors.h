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

// Guards the recursion of the kernel's walks over nested lists (comparing,
// substituting, printing): past NestingLimit levels of nesting the walk ends
// with the script error "list nested too deeply", never with an overflow of
// the machine stack. Scripts can build lists nested that deep.
inline constexpr int NestingLimit = 10000;
class NestingGuard {
  public:
    NestingGuard();
    ~NestingGuard() { --depth_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

  private:
    friend class NestingReset;
    static int depth_;
};

// Gives the walks a fresh nesting budget for its lifetime (the error report
// prints values while a walk that hit the limit is still on the stack).
class NestingReset {
  public:
    NestingReset() : saved_(NestingGuard::depth_) { NestingGuard::depth_ = 0; }
    ~NestingReset() { NestingGuard::depth_ = saved_; }
    NestingReset(const NestingReset&) = delete;
    NestingReset& operator=(const NestingReset&) = delete;

  private:
    int saved_;
};

// Writes the n innermost evaluation-stack levels to the log, one line each:
// "[%02ld] " and the level's form, an element identical to the inner level's
// form shown as "<**>", "..." where the line would pass 80 characters.
Cell* stackdump(int n);

} // namespace kest
