// String, symbol and vector built-ins.
//
// Texts are assembled in a std::string that stands for the kernel's text
// buffer: every append is checked against its 131072-character capacity
// ("string buffer overflow"), then the text is copied into a new string cell
// or interned. Case conversions are ASCII only, whatever the locale.
#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "kernel/builtins/Builtins.h"
#include "platform/Format.h"

#include <cstring>
#include <string>

namespace kest {

namespace {

struct TextBuilder {
    explicit TextBuilder(Symbol* owner) : self(owner) {}
    void add(const char* s, size_t n) {
        if (n > TextBufferSize - text.size())
            scripterror(self, "string buffer overflow");
        text.append(s, n);
    }
    void add(const char* s) { add(s, std::strlen(s)); }
    void add(char c) { add(&c, 1); }
    Symbol* self;
    std::string text;
};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The two texts of a comparison; b is checked before a.
struct TextPair {
    const char* a;
    const char* b;
};
TextPair needtexts(Symbol* self) {
    needcount(self, 2, 2);
    const char* b = needtext(self, argument(1));
    return {needtext(self, argument(0)), b};
}

// A position argument: negative counts as 0.
size_t position(Symbol* self, Cell* v) {
    const int32_t i = needint(self, v);
    return i < 0 ? 0 : static_cast<size_t>(i);
}

Symbol* needsymbol(Symbol* self, Cell* v) {
    if (!issymbol(v))
        scripterror(self, ErrSymbolExpected, v);
    return static_cast<Symbol*>(v);
}

// The parts of a path from position 0 of rest on (after drive and leading
// backslash): directory, name and extension.
void splitrest(const std::string& rest, std::string& directory, std::string& name,
               std::string& extension) {
    size_t at = std::string::npos;
    for (size_t i = rest.size(); i-- > 1;)
        if (rest[i] == '.' || rest[i] == '\\') {
            at = i;
            break;
        }
    if (at == std::string::npos) {
        name = rest;
        return;
    }
    if (rest[at] == '\\') {
        directory = rest.substr(0, at);
        name = rest.substr(at + 1);
        return;
    }
    extension = rest.substr(at + 1);
    const size_t slash = rest.rfind('\\', at);
    if (slash == std::string::npos) {
        name = rest.substr(0, at);
        return;
    }
    directory = rest.substr(0, slash);
    name = rest.substr(slash + 1, at - slash - 1);
}

const char* kindword(uint8_t kind) {
    switch (kind) {
    case KBuiltin:
        return "lam#%ld";
    case KBuiltinN:
        return "vlam#%ld";
    case KSpecial:
        return "ulam#%ld";
    default:
        return "mlam#%ld";
    }
}

} // namespace

Cell* bi_strlt(Symbol* self) {
    TextPair t = needtexts(self);
    return truth(std::strcmp(t.a, t.b) < 0);
}

Cell* bi_strgt(Symbol* self) {
    TextPair t = needtexts(self);
    return truth(std::strcmp(t.a, t.b) > 0);
}

Cell* bi_streq(Symbol* self) {
    TextPair t = needtexts(self);
    return truth(std::strcmp(t.a, t.b) == 0);
}

Cell* bi_strcmp(Symbol* self) {
    TextPair t = needtexts(self);
    const int order = std::strcmp(t.a, t.b);
    return mkint(order < 0 ? -1 : order > 0 ? 1 : 0);
}

Cell* bi_strto(Symbol* self) {
    needcount(self, 2, 2);
    const char* text = needtext(self, argument(0));
    const std::string mode = needtext(self, argument(1));
    std::string out = text;
    if (mode == "lower") {
        for (char& c : out)
            c = lower(c);
    } else if (mode == "upper") {
        for (char& c : out)
            c = upper(c);
    } else if (mode == "lower1") {
        if (!out.empty())
            out[0] = lower(out[0]);
    } else if (mode == "upper1") {
        if (!out.empty())
            out[0] = upper(out[0]);
    } else if (mode == "reverse") {
        for (char& c : out)
            c = c == lower(c) ? upper(c) : lower(c);
    }
    if (out == text)
        return argument(0);
    return mkstr(out.c_str(), out.size());
}

Cell* bi_nthchar(Symbol* self) {
    needcount(self, 2, 2);
    const char* text = needtext(self, argument(0));
    const size_t i = position(self, argument(1));
    if (i >= std::strlen(text))
        return mkint(0);
    return mkint(static_cast<int8_t>(text[i]));
}

// The string's own text is changed; a symbol's name is the key of the symbol
// table and is refused like any other non-string.
Cell* bi_setchar(Symbol* self) {
    needcount(self, 3, 3);
    Cell* string = argument(0);
    if (string->type != TString)
        scripterror(self, ErrStringExpected, string);
    const size_t i = position(self, argument(1));
    const int32_t code = needint(self, argument(2));
    if (i < std::strlen(string->a.str))
        string->a.str[i] = static_cast<char>(code & 0xFF);
    return string;
}

Cell* bi_substr(Symbol* self) {
    needcount(self, 3, 3);
    const char* text = needtext(self, argument(0));
    const size_t start = position(self, argument(1));
    const int32_t length = needint(self, argument(2));
    const size_t size = std::strlen(text);
    if (start >= size || length < 0)
        return mkstr("");
    const size_t take = std::min(size - start, static_cast<size_t>(length));
    return mkstr(text + start, take);
}

// An empty search text matches nowhere: the text comes back as a new string.
Cell* bi_subststr(Symbol* self) {
    needcount(self, 3, 3);
    const char* text = needtext(self, argument(0));
    const char* old = needtext(self, argument(1));
    const char* replacement = needtext(self, argument(2));
    const size_t size = std::strlen(text);
    const size_t oldsize = std::strlen(old);
    const size_t newsize = std::strlen(replacement);
    // A string without the text to replace comes back itself, as strto gives
    // back a text it does not change: scripts pass every text they write
    // through chains of replacements (escaping) that mostly change nothing,
    // and a run keeps every cell it makes.
    if (argument(0)->type == TString && oldsize > 0 && std::strstr(text, old) == nullptr)
        return argument(0);
    TextBuilder out(self);
    size_t i = 0;
    if (oldsize > 0 && oldsize <= size) {
        while (i <= size - oldsize) {
            if (std::memcmp(text + i, old, oldsize) == 0) {
                out.add(replacement, newsize);
                i += oldsize;
            } else {
                out.add(text[i]);
                ++i;
            }
        }
    }
    out.add(text + i, size - i);
    return mkstr(out.text.c_str(), out.text.size());
}

Cell* bi_findstr(Symbol* self) {
    needcount(self, 2, 2);
    const char* text = needtext(self, argument(0));
    const char* sub = needtext(self, argument(1));
    if (*sub == '\0')
        return KernelSyms.t;
    const char* at = std::strstr(text, sub);
    return at == nullptr ? nil : mkint(static_cast<int32_t>(at - text));
}

Cell* bi_strlen(Symbol* self) {
    needcount(self, 1, 1);
    return mkint(static_cast<int32_t>(std::strlen(needtext(self, argument(0)))));
}

Cell* bi_strconc(Symbol* self) {
    needcount(self, 1, ArgStackSize);
    TextBuilder out(self);
    for (int i = 0; i < argcount(); ++i) {
        Cell* part = argument(i);
        if (part->type == TInteger)
            out.add(qm::Format("%d", part->a.ival).c_str());
        else if (part->type == TReal)
            out.add(qm::Format("%f", static_cast<double>(part->a.rval)).c_str());
        else
            out.add(needtext(self, part));
    }
    return mkstr(out.text.c_str(), out.text.size());
}

Cell* bi_pathconc(Symbol* self) {
    needcount(self, 2, ArgStackSize);
    TextBuilder out(self);
    out.add(needtext(self, argument(0)));
    for (int i = 1; i < argcount(); ++i) {
        const char* part = needtext(self, argument(i));
        const bool endsslash = !out.text.empty() && out.text.back() == '\\';
        const bool beginsslash = part[0] == '\\';
        if (endsslash && beginsslash)
            ++part;
        else if (!endsslash && !beginsslash)
            out.add('\\');
        out.add(part);
    }
    return mkstr(out.text.c_str(), out.text.size());
}

Cell* bi_pathparts(Symbol* self) {
    needcount(self, 1, 1);
    std::string rest = needtext(self, argument(0));
    std::string drive, directory, name, extension;
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    if (!rest.empty() && rest[0] == '\\')
        rest.erase(0, 1);
    splitrest(rest, directory, name, extension);
    return mklist(mkstr(drive.c_str()), mkstr(directory.c_str()), mkstr(name.c_str()),
                  mkstr(extension.c_str()), nullptr);
}

Cell* bi_nilstrp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(*needtext(self, argument(0)) == '\0');
}

Cell* bi_stringp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(argument(0)->type == TString);
}

Cell* bi_symname(Symbol* self) {
    needcount(self, 1, 1);
    return mkstr(needsymbol(self, argument(0))->name);
}

Cell* bi_synonym(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args) || !ispair(cdr(args)) || cdr(cdr(args)) != nil)
        scripterror(self, ErrWrongCount);
    Cell* target = car(args);
    if (!issymbol(target) || target->type == KSystem || target->type == KMarker)
        scripterror(self, ErrNonConstant, target);
    Symbol* old = needsymbol(self, second(args));
    Symbol* alias = static_cast<Symbol*>(target);
    alias->type = old->type;
    alias->a.car = old->a.car;
    alias->b.cdr = old->b.cdr;
    alias->handler = old->handler;
    return alias;
}

Cell* bi_gensym(Symbol* self) {
    needcount(self, 0, 0);
    return intern(qm::Format("g%04ld", gensymcounter++).c_str());
}

Cell* bi_concat(Symbol* self) {
    needcount(self, 1, ArgStackSize);
    TextBuilder out(self);
    for (int i = 0; i < argcount(); ++i)
        out.add(needtext(self, argument(i)));
    return intern(out.text.c_str());
}

Cell* bi_binding(Symbol* self) {
    needcount(self, 1, 1);
    Cell* v = argument(0);
    if (!issymbol(v))
        return nil;
    Symbol* s = static_cast<Symbol*>(v);
    switch (s->type) {
    case KSystem:
    case KVariable:
    case KFunction:
        return s->value();
    case KBuiltin:
    case KBuiltinN:
    case KSpecial:
    case KMacro:
        return mkstr(
            qm::Format(kindword(s->type), static_cast<long>(reinterpret_cast<intptr_t>(s->handler)))
                .c_str());
    default:
        return nil;
    }
}

Cell* bi_symbolp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(issymbol(argument(0)));
}

Cell* bi_boundp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(needsymbol(self, argument(0))->type != KPlain);
}

// The slots of a vector come from the cell heap, which holds at most
// BlockTableSize blocks: a larger dimension could never be made.
Cell* bi_vector(Symbol* self) {
    needcount(self, 1, 1);
    Cell* n = argument(0);
    if (n->type != TInteger || n->a.ival <= 0)
        scripterror(self, "bad dimension", n);
    if (static_cast<size_t>(n->a.ival) > BlockTableSize * BlockSize / sizeof(Cell*))
        scripterror(self, ErrNoMemory, n);
    return mkvector(n->a.ival);
}

Cell* bi_store(Symbol* self) {
    Cell* args = formargs();
    if (!ispair(args) || !ispair(cdr(args)) || cdr(cdr(args)) != nil)
        scripterror(self, ErrWrongCount);
    Cell* slot = car(args);
    if (!ispair(slot))
        scripterror(self, "bad slot", slot);
    Cell* vector = evaluate(car(slot));
    Cell* index = evaluate(second(slot));
    if (vector->type != TVector || index->type != TInteger)
        scripterror(self, "bad slot", slot);
    if (index->a.ival < 0 || index->a.ival >= vector->a.dim->a.ival)
        scripterror(self, "index out of range", index);
    Cell* value = evaluate(second(args));
    vector->b.elems[index->a.ival] = value;
    return value;
}

Cell* bi_dimension(Symbol* self) {
    needcount(self, 1, 1);
    Cell* v = argument(0);
    if (v->type != TVector)
        scripterror(self, "non-vector argument", v);
    return v->a.dim;
}

Cell* bi_vectorp(Symbol* self) {
    needcount(self, 1, 1);
    return truth(argument(0)->type == TVector);
}

} // namespace kest
