// Property list, association list and set built-ins.
//
// A property list is flat and alternating (key value key value ...); every
// walk over one checks each pair, so a list a script set with setplist that
// is odd or dotted ends the walk instead of being read past its end. Sets are
// chains of set pairs; the built-ins make them by prepending, so results come
// out in the reverse of the order in which elements were added.
#include "kernel/builtins/Builtins.h"

namespace kest {

namespace {

// A symbol whose property list may be read. nil is a symbol too.
Symbol* needsymbol(Symbol* self, Cell* v) {
    if (!issymbol(v))
        scripterror(self, ErrSymbolExpected, v);
    return static_cast<Symbol*>(v);
}

// A symbol whose property list may be changed. nil's property list is the
// cdr of nil, which must stay nil for every list walk, so nil is refused.
Symbol* needplistowner(Symbol* self, Cell* v) {
    if (!issymbol(v) || v == nil)
        scripterror(self, ErrSymbolExpected, v);
    return static_cast<Symbol*>(v);
}

// The pair holding a key of the property list (its cdr holds the value), or
// null when the key is absent.
Cell* findkey(Cell* plist, Cell* key) {
    for (Cell* p = plist; ispair(p) && ispair(cdr(p)); p = cdr(cdr(p)))
        if (equalcells(car(p), key))
            return p;
    return nullptr;
}

Cell* lookup(Symbol* self, bool identity) {
    needcount(self, 2, 2);
    Cell* key = argument(0);
    for (Cell* p = needlist(self, argument(1)); ispair(p); p = cdr(p)) {
        Cell* element = car(p);
        if (!ispair(element))
            scripterror(self, "bad alist element", element);
        if (identity ? car(element) == key : equalcells(car(element), key))
            return element;
    }
    return nil;
}

// The value of one level of iset's designator (var dom rest...): the values
// of expr for every element of the domain, combined with the inner levels.
Cell* comprehension(Symbol* self, Cell* expr, Cell* designator, Cell* conditions) {
    if (!ispair(designator) || !isbindable(car(designator)) || !ispair(cdr(designator)))
        scripterror(self, ErrBadDomain);
    Symbol* variable = static_cast<Symbol*>(car(designator));
    Cell* rest = cdr(cdr(designator));
    Cell* domain = evaluate(second(designator));
    bindsymbol(variable);
    if (!islist(domain))
        scripterror(self, ErrBadDomain);
    Cell* result = nil;
    for (Cell* p = domain; ispair(p); p = cdr(p)) {
        variable->a.car = car(p);
        if (rest == nil) {
            if (conditions == nil || progn(conditions) != nil)
                result = mkset(evaluate(expr), result);
            continue;
        }
        for (Cell* e = comprehension(self, expr, rest, conditions); ispair(e); e = cdr(e))
            if (!memberequal(car(e), result))
                result = mkset(car(e), result);
    }
    unbindsymbols(1);
    return rest == nil ? normset(result) : result;
}

} // namespace

Cell* bi_putprop(Symbol* self) {
    needcount(self, 3, 3);
    Symbol* s = needplistowner(self, argument(0));
    Cell* value = argument(1);
    Cell* key = argument(2);
    if (Cell* at = findkey(s->plist(), key))
        cdr(at)->a.car = value;
    else
        s->plist() = mkcons(key, mkcons(value, s->plist()));
    return value;
}

Cell* bi_remprop(Symbol* self) {
    needcount(self, 2, 2);
    Symbol* s = needsymbol(self, argument(0));
    Cell* key = argument(1);
    Cell* list = s->plist();
    if (!ispair(list) || !ispair(cdr(list)))
        return nil;
    if (equalcells(car(list), key)) {
        s->plist() = cdr(cdr(list));
        return list;
    }
    for (Cell* value = cdr(list); ispair(cdr(value)) && ispair(cdr(cdr(value)));
         value = cdr(cdr(value))) {
        Cell* at = cdr(value);
        if (equalcells(car(at), key)) {
            value->b.cdr = cdr(cdr(at));
            return at;
        }
    }
    return nil;
}

Cell* bi_get(Symbol* self) {
    needcount(self, 2, 2);
    Symbol* s = needsymbol(self, argument(0));
    Cell* at = findkey(s->plist(), argument(1));
    return at == nullptr ? nil : second(at);
}

Cell* bi_plist(Symbol* self) {
    needcount(self, 1, 1);
    return needsymbol(self, argument(0))->plist();
}

Cell* bi_setplist(Symbol* self) {
    needcount(self, 2, 2);
    Symbol* s = needplistowner(self, argument(0));
    s->plist() = needlist(self, argument(1));
    return s->plist();
}

Cell* bi_assoc(Symbol* self) {
    return lookup(self, false);
}

Cell* bi_assq(Symbol* self) {
    return lookup(self, true);
}

Cell* bi_convset(Symbol* self) {
    needcount(self, 1, 1);
    Cell* result = nil;
    for (Cell* p = needlist(self, argument(0)); ispair(p); p = cdr(p))
        if (!memberequal(car(p), cdr(p)))
            result = mkset(car(p), result);
    return result;
}

Cell* bi_nconvset(Symbol* self) {
    needcount(self, 1, 1);
    Cell* list = needlist(self, argument(0));
    while (ispair(list) && memberequal(car(list), cdr(list)))
        list = cdr(list);
    if (!ispair(list))
        return list;
    Cell* kept = list;
    kept->type = TSet;
    while (ispair(cdr(kept))) {
        Cell* pair = cdr(kept);
        if (memberequal(car(pair), cdr(pair))) {
            kept->b.cdr = cdr(pair);
            continue;
        }
        pair->type = TSet;
        kept = pair;
    }
    return list;
}

Cell* bi_convlist(Symbol* self) {
    needcount(self, 1, 1);
    Cell* result = nil;
    for (Cell* p = needlist(self, argument(0)); ispair(p); p = cdr(p))
        result = mkcons(car(p), result);
    return result;
}

Cell* bi_nconvlist(Symbol* self) {
    needcount(self, 1, 1);
    Cell* set = needlist(self, argument(0));
    for (Cell* p = set; ispair(p); p = cdr(p))
        p->type = TList;
    return set;
}

Cell* bi_eset(Symbol*) {
    Cell* result = nil;
    for (int i = 0; i < argcount(); ++i)
        result = mkset(argument(i), result);
    return normset(result);
}

Cell* bi_iset(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args))
        scripterror(self, ErrBadDomain);
    Cell* designator = ispair(cdr(args)) ? second(args) : nil;
    return comprehension(self, car(args), designator, cdr(cdr(args)));
}

Cell* bi_union(Symbol* self) {
    const int n = argcount();
    if (n == 0)
        return nil;
    if (n == 1)
        return argument(0);
    Cell* result = needlist(self, argument(0));
    for (int i = 1; i < n; ++i)
        for (Cell* p = needlist(self, argument(i)); ispair(p); p = cdr(p))
            if (!memberequal(car(p), result))
                result = mkset(car(p), result);
    return result;
}

Cell* bi_intsec(Symbol* self) {
    const int n = argcount();
    if (n == 0)
        return nil;
    if (n == 1)
        return argument(0);
    Cell* result = needlist(self, argument(0));
    for (int i = 1; i < n; ++i) {
        Cell* next = nil;
        for (Cell* p = needlist(self, argument(i)); ispair(p); p = cdr(p))
            if (memberequal(car(p), result) && !memberequal(car(p), next))
                next = mkset(car(p), next);
        result = next;
    }
    return result;
}

Cell* bi_diff(Symbol* self) {
    needcount(self, 2, 2);
    Cell* a = needlist(self, argument(0));
    Cell* b = needlist(self, argument(1));
    Cell* result = nil;
    for (Cell* p = a; ispair(p); p = cdr(p))
        if (!memberequal(car(p), b) && !memberequal(car(p), result))
            result = mkset(car(p), result);
    return result;
}

Cell* bi_subset(Symbol* self) {
    needcount(self, 2, 2);
    Cell* a = needlist(self, argument(0));
    Cell* b = needlist(self, argument(1));
    for (Cell* p = a; ispair(p); p = cdr(p))
        if (!memberequal(car(p), b))
            return nil;
    return KernelSyms.t;
}

} // namespace kest
