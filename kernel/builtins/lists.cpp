// List, logic, quantifier and mapping built-ins.
#include "kernel/builtins/Builtins.h"

namespace kest {

namespace {

Cell* needlistarg(Symbol* self, int i) {
    return needlist(self, argument(i));
}

// Builds a list front to back.
struct ListBuilder {
    Cell* head = nil;
    Cell* tail = nil;
    void add(Cell* value) {
        Cell* pair = mkcons(value, nil);
        if (head == nil)
            head = pair;
        else
            tail->b.cdr = pair;
        tail = pair;
    }
};

Cell* nth(Symbol* self, bool pair) {
    needcount(self, 2, 2);
    Cell* p = needlistarg(self, 0);
    const int32_t n = needint(self, argument(1));
    for (int32_t i = 1; i < n && ispair(p); ++i)
        p = cdr(p);
    if (!ispair(p))
        return nil;
    return pair ? p : car(p);
}

Cell* substcopy(Cell* replacement, Cell* old, Cell* list) {
    NestingGuard guard;
    ListBuilder out;
    Cell* p = list;
    for (; ispair(p); p = cdr(p)) {
        Cell* e = car(p);
        if (equalcells(e, old))
            out.add(replacement);
        else if (ispair(e))
            out.add(substcopy(replacement, old, e));
        else
            out.add(e);
    }
    if (out.head == nil)
        return p;
    out.tail->b.cdr = p;
    return out.head;
}

void substinplace(Cell* replacement, Cell* old, Cell* list) {
    NestingGuard guard;
    for (Cell* p = list; ispair(p); p = cdr(p)) {
        if (equalcells(car(p), old))
            p->a.car = replacement;
        else if (ispair(car(p)))
            substinplace(replacement, old, car(p));
    }
}

Cell* concat(Symbol* self, bool inplace) {
    needcount(self, 2, ArgStackSize);
    const int n = argcount();
    for (int i = 0; i + 1 < n; ++i)
        needlistarg(self, i);
    Cell* head = nil;
    Cell* tail = nil;
    for (int i = 0; i + 1 < n; ++i) {
        Cell* list = argument(i);
        if (list == nil)
            continue;
        if (!inplace) {
            ListBuilder copy;
            for (Cell* p = list; ispair(p); p = cdr(p))
                copy.add(car(p));
            list = copy.head;
        }
        if (head == nil)
            head = list;
        else
            tail->b.cdr = list;
        tail = lastcons(list);
    }
    if (head == nil)
        return argument(n - 1);
    tail->b.cdr = argument(n - 1);
    return head;
}

// The quantifiers' walk over a domain designator (var dom rest...): the
// body's value for every combination, stopping at the first nil (all) or
// the first true value (exist).
Cell* quantify(Symbol* self, Cell* designator, Cell* body, bool all) {
    if (!ispair(designator) || !isbindable(car(designator)) || !ispair(cdr(designator)))
        scripterror(self, ErrBadDomain);
    Symbol* variable = static_cast<Symbol*>(car(designator));
    Cell* rest = cdr(cdr(designator));
    Cell* domain = evaluate(second(designator));
    bindsymbol(variable);
    if (!islist(domain))
        scripterror(self, ErrBadDomain);
    Cell* result = all ? KernelSyms.t : nil;
    for (Cell* p = domain; ispair(p); p = cdr(p)) {
        variable->a.car = car(p);
        Cell* value = rest == nil ? progn(body) : quantify(self, rest, body, all);
        if (all && value == nil) {
            result = nil;
            break;
        }
        if (!all && value != nil) {
            result = value;
            break;
        }
    }
    unbindsymbols(1);
    return result;
}

Cell* mapping(Symbol* self, bool collect, bool tails) {
    needcount(self, 2, ArgStackSize);
    const int first = argfirst();
    const int lists = argcount() - 1;
    for (int i = 1; i <= lists; ++i)
        needlistarg(self, i);
    Cell* function = argument(0);
    Cell* firstlist = argument(1);
    // The list slots of the frame serve as cursors.
    pusharg(function);
    ListBuilder results;
    while (stacks.args[first + 1].cell != nil) {
        const int callfirst = stacks.argtop + 1;
        for (int i = 1; i <= lists; ++i) {
            Cell*& cursor = stacks.args[first + i].cell;
            pusharg(tails ? cursor : car(cursor));
            cursor = cdr(cursor);
        }
        pushindex(callfirst);
        Cell* value = applyfn(function, nil, true);
        stacks.argtop = callfirst - 1;
        if (collect)
            results.add(value);
    }
    --stacks.argtop;
    return collect ? results.head : firstlist;
}

} // namespace

Cell* bi_car(Symbol* self) {
    needcount(self, 1, 1);
    Cell* list = needlistarg(self, 0);
    return list == nil ? nil : car(list);
}

Cell* bi_cdr(Symbol* self) {
    needcount(self, 1, 1);
    Cell* list = needlistarg(self, 0);
    return list == nil ? nil : cdr(list);
}

Cell* bi_nthelem(Symbol* self) {
    return nth(self, false);
}
Cell* bi_nthpair(Symbol* self) {
    return nth(self, true);
}

Cell* bi_sublist(Symbol* self) {
    needcount(self, 2, 2);
    Cell* key = argument(1);
    for (Cell* p = needlistarg(self, 0); ispair(p); p = cdr(p))
        if (ispair(car(p)) && car(car(p)) == key)
            return cdr(car(p));
    return nil;
}

Cell* bi_rplaca(Symbol* self) {
    needcount(self, 2, 2);
    Cell* pair = needpair(self, argument(0));
    pair->a.car = argument(1);
    return pair;
}

Cell* bi_rplacd(Symbol* self) {
    needcount(self, 2, 2);
    Cell* pair = needpair(self, argument(0));
    pair->b.cdr = argument(1);
    return pair;
}

Cell* bi_lastpair(Symbol* self) {
    needcount(self, 1, 1);
    return lastcons(needlistarg(self, 0));
}

Cell* bi_lastelem(Symbol* self) {
    needcount(self, 1, 1);
    Cell* last = lastcons(needlistarg(self, 0));
    return last == nil ? nil : car(last);
}

Cell* bi_cons(Symbol* self) {
    needcount(self, 2, 2);
    return mkcons(argument(0), needlistarg(self, 1));
}

Cell* bi_list(Symbol*) {
    return stackedargs();
}

Cell* bi_length(Symbol* self) {
    needcount(self, 1, 1);
    return mkint(listlength(needlistarg(self, 0)));
}

Cell* bi_conc(Symbol* self) {
    return concat(self, false);
}
Cell* bi_nconc(Symbol* self) {
    return concat(self, true);
}

Cell* bi_remove(Symbol* self) {
    needcount(self, 2, 2);
    Cell* x = argument(0);
    ListBuilder out;
    for (Cell* p = needlistarg(self, 1); ispair(p); p = cdr(p))
        if (!equalcells(x, car(p)))
            out.add(car(p));
    return out.head;
}

Cell* bi_nremove(Symbol* self) {
    needcount(self, 2, 2);
    Cell* x = argument(0);
    Cell* list = needlistarg(self, 1);
    if (!ispair(list))
        return list;
    for (Cell* p = list; ispair(cdr(p));) {
        if (equalcells(x, car(cdr(p))))
            p->b.cdr = cdr(cdr(p));
        else
            p = cdr(p);
    }
    return equalcells(x, car(list)) ? cdr(list) : list;
}

Cell* bi_subst(Symbol* self) {
    needcount(self, 3, 3);
    return substcopy(argument(0), argument(1), needlistarg(self, 2));
}

Cell* bi_nsubst(Symbol* self) {
    needcount(self, 3, 3);
    Cell* list = needlistarg(self, 2);
    substinplace(argument(0), argument(1), list);
    return list;
}

Cell* bi_reverse(Symbol* self) {
    needcount(self, 1, 1);
    Cell* out = nil;
    for (Cell* p = needlistarg(self, 0); ispair(p); p = cdr(p))
        out = mkcons(car(p), out);
    return out;
}

Cell* bi_nreverse(Symbol* self) {
    needcount(self, 1, 1);
    return nreverse(needlistarg(self, 0));
}

Cell* bi_member(Symbol* self) {
    needcount(self, 2, 2);
    for (Cell* p = needlistarg(self, 1); ispair(p); p = cdr(p))
        if (equalcells(argument(0), car(p)))
            return p;
    return nil;
}

Cell* bi_memq(Symbol* self) {
    needcount(self, 2, 2);
    for (Cell* p = needlistarg(self, 1); ispair(p); p = cdr(p))
        if (argument(0) == car(p))
            return p;
    return nil;
}

namespace {
bool identical(Cell* a, Cell* b) {
    return a == b || (a->type == TRef && b->type == TRef && a->a.ref == b->a.ref);
}
} // namespace

Cell* bi_equal(Symbol* self) {
    needcount(self, 2, 2);
    return truth(equalcells(argument(0), argument(1)));
}

Cell* bi_nequal(Symbol* self) {
    needcount(self, 2, 2);
    return truth(!equalcells(argument(0), argument(1)));
}

Cell* bi_eq(Symbol* self) {
    needcount(self, 2, 2);
    return truth(identical(argument(0), argument(1)));
}

Cell* bi_neq(Symbol* self) {
    needcount(self, 2, 2);
    return truth(!identical(argument(0), argument(1)));
}

Cell* bi_atomp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(argument(0)->type < TChannel);
}

Cell* bi_listp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(islist(argument(0)));
}

Cell* bi_pairp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(ispair(argument(0)));
}

Cell* bi_null(Symbol* self) {
    needcount(self, 1, 1);
    return truth(argument(0) == nil);
}

Cell* bi_and(Symbol*) {
    Cell* value = nil;
    for (Cell* p = formargs(); ispair(p); p = cdr(p)) {
        value = evaluate(car(p));
        if (value == nil)
            return nil;
    }
    return value;
}

Cell* bi_or(Symbol*) {
    for (Cell* p = formargs(); ispair(p); p = cdr(p))
        if (Cell* value = evaluate(car(p)); value != nil)
            return value;
    return nil;
}

Cell* bi_cond(Symbol* self) {
    // A cond that is itself a prog body element may end its clause with a go
    // or return that jumps without a throw.
    // Whether this cond is such an element is only asked where a jump can be
    // made: at the last form of the chosen clause, at the depth of a prog
    // body element.
    const int depth = stacks.evaltop;
    auto element = [&] {
        return depth >= 0 && ispair(stacks.eval[depth]) && car(stacks.eval[depth]) == self &&
               cdr(stacks.eval[depth]) == formargs();
    };
    for (Cell* p = formargs(); ispair(p); p = cdr(p)) {
        Cell* clause = car(p);
        if (clause == nil)
            continue;
        if (!ispair(clause))
            scripterror(self, ErrListExpected, clause);
        Cell* value = evaluate(car(clause));
        if (value == nil)
            continue;
        for (Cell* body = cdr(clause); ispair(body); body = cdr(body)) {
            if (cdr(body) == nil && depth == progtail && element())
                if (Cell* jump = tailjump(car(body), depth))
                    return jump;
            value = evaluate(car(body));
        }
        return value;
    }
    return nil;
}

Cell* bi_implies(Symbol* self) {
    needcount(self, 2, 2);
    return truth(argument(0) == nil || argument(1) != nil);
}

Cell* bi_equiv(Symbol* self) {
    needcount(self, 2, 2);
    return truth((argument(0) == nil) == (argument(1) == nil));
}

Cell* bi_all(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args))
        scripterror(self, ErrBadDomain);
    return quantify(self, car(args), cdr(args), true);
}

Cell* bi_exist(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args))
        scripterror(self, ErrBadDomain);
    return quantify(self, car(args), cdr(args), false);
}

Cell* bi_one(Symbol* self) {
    Cell* args = formargs();
    Cell* designator = ispair(args) ? car(args) : nil;
    if (!ispair(designator) || !isbindable(car(designator)))
        scripterror(self, ErrBadDomain);
    Symbol* variable = static_cast<Symbol*>(car(designator));
    Cell* rest = cdr(designator);
    Cell* fallback = ispair(rest) && ispair(cdr(rest)) ? evaluate(second(rest)) : nil;
    bindsymbol(variable);
    Cell* domain = ispair(rest) ? evaluate(car(rest)) : nil;
    if (!islist(domain))
        scripterror(self, ErrBadDomain);
    Cell* body = cdr(args);
    Cell* result = fallback;
    for (Cell* p = domain; ispair(p); p = cdr(p)) {
        variable->a.car = car(p);
        if (body == nil || progn(body) != nil) {
            result = car(p);
            break;
        }
    }
    unbindsymbols(1);
    return result;
}

Cell* bi_mapa(Symbol* self) {
    return mapping(self, false, false);
}
Cell* bi_mapcar(Symbol* self) {
    return mapping(self, true, false);
}
Cell* bi_mapd(Symbol* self) {
    return mapping(self, false, true);
}
Cell* bi_mapcdr(Symbol* self) {
    return mapping(self, true, true);
}

} // namespace kest
