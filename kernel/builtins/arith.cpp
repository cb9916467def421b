// Arithmetic and comparison built-ins. Integers are 32-bit and wrap; reals
// are 32-bit floats; an operation with a real operand is done in floating
// point and rounded to a float when its cell is made.
#include "kernel/builtins/Builtins.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kest {

namespace {

double value(Cell* n) {
    return n->type == TInteger ? n->a.ival : static_cast<double>(n->a.rval);
}

int32_t wrap(int64_t n) {
    return static_cast<int32_t>(static_cast<uint32_t>(n));
}

// The low 32 bits of the double truncated toward zero.
int32_t low32(double d) {
    double t = std::trunc(d);
    if (!std::isfinite(t))
        return 0;
    double m = std::fmod(t, 4294967296.0);
    if (m < 0)
        m += 4294967296.0;
    return static_cast<int32_t>(static_cast<uint32_t>(m));
}

enum class Op { Add, Sub, Mul };

Cell* arith(Symbol* self, Op op) {
    needcount(self, 2, 2);
    Cell* a = neednumber(self, argument(0));
    Cell* b = neednumber(self, argument(1));
    if (a->type == TInteger && b->type == TInteger) {
        const int64_t x = a->a.ival;
        const int64_t y = b->a.ival;
        switch (op) {
        case Op::Add:
            return mkint(wrap(x + y));
        case Op::Sub:
            return mkint(wrap(x - y));
        case Op::Mul:
            return mkint(
                wrap(static_cast<int64_t>(static_cast<uint64_t>(x) * static_cast<uint64_t>(y))));
        }
    }
    const double x = value(a);
    const double y = value(b);
    switch (op) {
    case Op::Add:
        return mkreal(static_cast<float>(x + y));
    case Op::Sub:
        return mkreal(static_cast<float>(x - y));
    case Op::Mul:
        return mkreal(static_cast<float>(x * y));
    }
    return nil;
}

enum class Cmp { Lt, Gt, Le, Ge, Eq, Ne };

Cell* comparefloats(Cmp cmp, float x, float y) {
    switch (cmp) {
    case Cmp::Lt:
        return truth(x < y);
    case Cmp::Gt:
        return truth(x > y);
    case Cmp::Le:
        return truth(x <= y);
    case Cmp::Ge:
        return truth(x >= y);
    case Cmp::Eq:
        return truth(x == y);
    case Cmp::Ne:
        return truth(x != y);
    }
    return nil;
}

// Numbers are compared as 32-bit floats, so integers beyond 2^24 may compare equal.
Cell* compare(Symbol* self, Cmp cmp) {
    needcount(self, 2, 2);
    Cell* a = argument(0);
    Cell* b = argument(1);
    if (a->type == TInteger && b->type == TInteger) // the common case, taken without the checks
        return comparefloats(cmp, static_cast<float>(a->a.ival), static_cast<float>(b->a.ival));
    return comparefloats(cmp, static_cast<float>(value(neednumber(self, a))),
                         static_cast<float>(value(neednumber(self, b))));
}

Cell* accumulate(Symbol* self, bool product) {
    double total = product ? 1.0 : 0.0;
    bool real = false;
    for (int i = 0; i < argcount(); ++i) {
        Cell* n = neednumber(self, argument(i));
        real = real || n->type == TReal;
        total = product ? total * value(n) : total + value(n);
    }
    if (real)
        return mkreal(static_cast<float>(total));
    return mkint(low32(total));
}

} // namespace

Cell* bi_add(Symbol* self) {
    return arith(self, Op::Add);
}
Cell* bi_sub(Symbol* self) {
    return arith(self, Op::Sub);
}
Cell* bi_mul(Symbol* self) {
    return arith(self, Op::Mul);
}

Cell* bi_div(Symbol* self) {
    needcount(self, 2, 2);
    Cell* a = neednumber(self, argument(0));
    Cell* b = neednumber(self, argument(1));
    if ((b->type == TInteger && b->a.ival == 0) || (b->type == TReal && b->a.rval == 0.0f))
        scripterror(self, ErrDivByZero);
    if (a->type == TInteger && b->type == TInteger) {
        // The one quotient 32 bits cannot hold wraps: -2147483648 / -1 is itself.
        if (a->a.ival == INT32_MIN && b->a.ival == -1)
            return a;
        return mkint(a->a.ival / b->a.ival);
    }
    return mkreal(static_cast<float>(value(a) / value(b)));
}

Cell* bi_sum(Symbol* self) {
    return accumulate(self, false);
}
Cell* bi_prod(Symbol* self) {
    return accumulate(self, true);
}

Cell* bi_mod(Symbol* self) {
    needcount(self, 2, 2);
    Cell* b = argument(1);
    if (b->type == TInteger && b->a.ival == 0)
        scripterror(self, ErrDivByZero);
    const int32_t x = needint(self, argument(0));
    const int32_t y = needint(self, b);
    if (y == -1)
        return mkint(0);
    return mkint(x % y);
}

Cell* bi_pow(Symbol* self) {
    needcount(self, 2, 2);
    const double y = value(neednumber(self, argument(1)));
    const double x = value(neednumber(self, argument(0)));
    return mkreal(static_cast<float>(std::pow(x, y)));
}

Cell* bi_inc(Symbol* self) {
    needcount(self, 1, 1);
    return mkint(wrap(static_cast<int64_t>(needint(self, argument(0))) + 1));
}

Cell* bi_dec(Symbol* self) {
    needcount(self, 1, 1);
    return mkint(wrap(static_cast<int64_t>(needint(self, argument(0))) - 1));
}

Cell* bi_abs(Symbol* self) {
    needcount(self, 1, 1);
    Cell* n = neednumber(self, argument(0));
    if (n->type == TInteger)
        return n->a.ival < 0 ? mkint(wrap(-static_cast<int64_t>(n->a.ival))) : n;
    return n->a.rval < 0 ? mkreal(-n->a.rval) : n;
}

Cell* bi_neg(Symbol* self) {
    needcount(self, 1, 1);
    Cell* n = neednumber(self, argument(0));
    if (n->type == TInteger)
        return mkint(wrap(-static_cast<int64_t>(n->a.ival)));
    return mkreal(-n->a.rval);
}

Cell* bi_int(Symbol* self) {
    needcount(self, 1, 1);
    const double f = std::floor(static_cast<double>(needreal(self, argument(0))));
    // Floats beyond the 32-bit range saturate; not-a-number gives 0.
    if (std::isnan(f))
        return mkint(0);
    if (f >= 2147483647.0)
        return mkint(INT32_MAX);
    if (f <= -2147483648.0)
        return mkint(INT32_MIN);
    return mkint(static_cast<int32_t>(f));
}

Cell* bi_real(Symbol* self) {
    needcount(self, 1, 1);
    return mkreal(static_cast<float>(needint(self, argument(0))));
}

Cell* bi_lt(Symbol* self) {
    return compare(self, Cmp::Lt);
}
Cell* bi_gt(Symbol* self) {
    return compare(self, Cmp::Gt);
}
Cell* bi_le(Symbol* self) {
    return compare(self, Cmp::Le);
}
Cell* bi_ge(Symbol* self) {
    return compare(self, Cmp::Ge);
}
Cell* bi_eqn(Symbol* self) {
    return compare(self, Cmp::Eq);
}
Cell* bi_nen(Symbol* self) {
    return compare(self, Cmp::Ne);
}

Cell* bi_numberp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(isnumber(argument(0)));
}

Cell* bi_intp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(argument(0)->type == TInteger);
}

Cell* bi_realp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(argument(0)->type == TReal);
}

Cell* bi_tonum(Symbol* self) {
    needcount(self, 1, 1);
    Cell* x = argument(0);
    if (isnumber(x))
        return x;
    const char* text = nullptr;
    if (x->type == TString)
        text = x->a.str;
    else if (issymbol(x))
        text = static_cast<Symbol*>(x)->name;
    else
        return mkint(0);
    size_t run = std::strspn(text, "0123456789.");
    if (run == 0)
        return mkint(0);
    if (std::memchr(text, '.', run) != nullptr)
        return mkreal(static_cast<float>(std::atof(text)));
    // atoi of a run of digits; a run beyond the 32-bit range keeps its low bits.
    int64_t n = 0;
    for (size_t i = 0; i < run; ++i)
        n = (n * 10 + (text[i] - '0')) & 0xffffffffLL;
    return mkint(wrap(n));
}

} // namespace kest
