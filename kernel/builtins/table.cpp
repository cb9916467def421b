// The registration table of the kernel's own built-ins: name, calling kind
// and handler, in registration order (by kind, as the families are listed).
#include "kernel/builtins/Builtins.h"

namespace kest {

// clang-format off
#define KEST_HANDLERS(X) \
    X(eval) X(apply) X(mkdir) X(open) X(close) X(pathprop) X(chanp) X(copyfile) \
    X(client) X(server) X(send) X(add) X(sub) X(mul) X(div) X(mod) \
    X(pow) X(inc) X(dec) X(abs) X(neg) X(int) X(real) X(lt) \
    X(gt) X(le) X(ge) X(eqn) X(nen) X(numberp) X(intp) X(realp) \
    X(tonum) X(strlt) X(strgt) X(streq) X(strcmp) X(nthchar) X(setchar) X(strto) \
    X(substr) X(subststr) X(findstr) X(strlen) X(pathparts) X(nilstrp) X(stringp) X(symname) \
    X(gensym) X(binding) X(symbolp) X(boundp) X(car) X(cdr) X(nthelem) X(nthpair) \
    X(sublist) X(rplaca) X(rplacd) X(lastelem) X(lastpair) X(cons) X(length) X(remove) \
    X(nremove) X(subst) X(nsubst) X(reverse) X(nreverse) X(member) X(memq) X(equal) \
    X(nequal) X(eq) X(neq) X(atomp) X(listp) X(pairp) X(null) X(convset) \
    X(nconvset) X(convlist) X(nconvlist) X(diff) X(subset) X(implies) X(equiv) X(putprop) \
    X(remprop) X(get) X(plist) X(setplist) X(assoc) X(assq) X(vector) X(dimension) \
    X(vectorp) X(toplevel) X(reset) X(kwote) X(arg) X(set) X(exec) X(call) \
    X(flush) X(read) X(readln) X(readfirst) X(readnext) X(print) X(princ) X(princom) \
    X(tab) X(terpri) X(prlen) X(iobuf) X(pp) X(sum) X(prod) X(strconc) \
    X(pathconc) X(concat) X(list) X(conc) X(nconc) X(eset) X(union) X(intsec) \
    X(throw) X(error) X(exit) X(return) X(mapcar) X(mapa) X(mapcdr) X(mapd) \
    X(ss) X(load) X(synonym) X(iset) X(and) X(or) X(cond) X(all) \
    X(exist) X(one) X(store) X(catch) X(caperr) X(prog) X(go) X(do) \
    X(void) X(quote) X(def) X(setq) X(fun) X(let)
// clang-format on

#define KEST_DECLARE_HANDLER(id) Cell* bi_##id(Symbol* self);
KEST_HANDLERS(KEST_DECLARE_HANDLER)
#undef KEST_DECLARE_HANDLER

const BuiltinEntry KernelBuiltins[] = {
    // Evaluated arguments, the built-in checks the count.
    {"eval", KBuiltin, bi_eval},
    {"apply", KBuiltin, bi_apply},
    {"mkdir", KBuiltin, bi_mkdir},
    {"open", KBuiltin, bi_open},
    {"close", KBuiltin, bi_close},
    {"pathprop", KBuiltin, bi_pathprop},
    {"chan?", KBuiltin, bi_chanp},
    {"copyfile", KBuiltin, bi_copyfile},
    {"client", KBuiltin, bi_client},
    {"server", KBuiltin, bi_server},
    {"send", KBuiltin, bi_send},
    {"+", KBuiltin, bi_add},
    {"-", KBuiltin, bi_sub},
    {"*", KBuiltin, bi_mul},
    {"/", KBuiltin, bi_div},
    {"%", KBuiltin, bi_mod},
    {"^", KBuiltin, bi_pow},
    {"++", KBuiltin, bi_inc},
    {"--", KBuiltin, bi_dec},
    {"abs", KBuiltin, bi_abs},
    {"neg", KBuiltin, bi_neg},
    {"int", KBuiltin, bi_int},
    {"real", KBuiltin, bi_real},
    {"<", KBuiltin, bi_lt},
    {">", KBuiltin, bi_gt},
    {"<=", KBuiltin, bi_le},
    {">=", KBuiltin, bi_ge},
    {"=", KBuiltin, bi_eqn},
    {"/=", KBuiltin, bi_nen},
    {"number?", KBuiltin, bi_numberp},
    {"int?", KBuiltin, bi_intp},
    {"real?", KBuiltin, bi_realp},
    {"tonum", KBuiltin, bi_tonum},
    {"<<", KBuiltin, bi_strlt},
    {">>", KBuiltin, bi_strgt},
    {"==", KBuiltin, bi_streq},
    {"strcmp", KBuiltin, bi_strcmp},
    {"nthchar", KBuiltin, bi_nthchar},
    {"setchar", KBuiltin, bi_setchar},
    {"strto", KBuiltin, bi_strto},
    {"substr", KBuiltin, bi_substr},
    {"subststr", KBuiltin, bi_subststr},
    {"findstr", KBuiltin, bi_findstr},
    {"strlen", KBuiltin, bi_strlen},
    {"pathparts", KBuiltin, bi_pathparts},
    {"nilstr?", KBuiltin, bi_nilstrp},
    {"string?", KBuiltin, bi_stringp},
    {"symname", KBuiltin, bi_symname},
    {"gensym", KBuiltin, bi_gensym},
    {"binding", KBuiltin, bi_binding},
    {"symbol?", KBuiltin, bi_symbolp},
    {"bound?", KBuiltin, bi_boundp},
    {"car", KBuiltin, bi_car},
    {"cdr", KBuiltin, bi_cdr},
    {"nthelem", KBuiltin, bi_nthelem},
    {"nthpair", KBuiltin, bi_nthpair},
    {"sublist", KBuiltin, bi_sublist},
    {"rplaca", KBuiltin, bi_rplaca},
    {"rplacd", KBuiltin, bi_rplacd},
    {"lastelem", KBuiltin, bi_lastelem},
    {"lastpair", KBuiltin, bi_lastpair},
    {"cons", KBuiltin, bi_cons},
    {"length", KBuiltin, bi_length},
    {"remove", KBuiltin, bi_remove},
    {"*remove", KBuiltin, bi_nremove},
    {"subst", KBuiltin, bi_subst},
    {"*subst", KBuiltin, bi_nsubst},
    {"reverse", KBuiltin, bi_reverse},
    {"*reverse", KBuiltin, bi_nreverse},
    {"member", KBuiltin, bi_member},
    {"memq", KBuiltin, bi_memq},
    {"equal", KBuiltin, bi_equal},
    {"nequal", KBuiltin, bi_nequal},
    {"eq", KBuiltin, bi_eq},
    {"neq", KBuiltin, bi_neq},
    {"atom?", KBuiltin, bi_atomp},
    {"list?", KBuiltin, bi_listp},
    {"pair?", KBuiltin, bi_pairp},
    {"null?", KBuiltin, bi_null},
    {"convset", KBuiltin, bi_convset},
    {"*convset", KBuiltin, bi_nconvset},
    {"convlist", KBuiltin, bi_convlist},
    {"*convlist", KBuiltin, bi_nconvlist},
    {"diff", KBuiltin, bi_diff},
    {"subset", KBuiltin, bi_subset},
    {"not", KBuiltin, bi_null},
    {"==>", KBuiltin, bi_implies},
    {"<=>", KBuiltin, bi_equiv},
    {"putprop", KBuiltin, bi_putprop},
    {"remprop", KBuiltin, bi_remprop},
    {"get", KBuiltin, bi_get},
    {"plist", KBuiltin, bi_plist},
    {"setplist", KBuiltin, bi_setplist},
    {"assoc", KBuiltin, bi_assoc},
    {"assq", KBuiltin, bi_assq},
    {"vector", KBuiltin, bi_vector},
    {"dimension", KBuiltin, bi_dimension},
    {"vector?", KBuiltin, bi_vectorp},
    {"toplevel", KBuiltin, bi_toplevel},
    {"reset", KBuiltin, bi_reset},
    {"kwote", KBuiltin, bi_kwote},
    {"arg", KBuiltin, bi_arg},
    {"set", KBuiltin, bi_set},
    {"exec", KBuiltin, bi_exec},
    // Evaluated arguments of any count.
    {"call", KBuiltinN, bi_call},
    {"flush", KBuiltinN, bi_flush},
    {"read", KBuiltinN, bi_read},
    {"readln", KBuiltinN, bi_readln},
    {"readfirst", KBuiltinN, bi_readfirst},
    {"readnext", KBuiltinN, bi_readnext},
    {"print", KBuiltinN, bi_print},
    {"princ", KBuiltinN, bi_princ},
    {"princom", KBuiltinN, bi_princom},
    {"tab", KBuiltinN, bi_tab},
    {"terpri", KBuiltinN, bi_terpri},
    {"prlen", KBuiltinN, bi_prlen},
    {"iobuf", KBuiltinN, bi_iobuf},
    {"pp", KBuiltinN, bi_pp},
    {"sum", KBuiltinN, bi_sum},
    {"prod", KBuiltinN, bi_prod},
    {"strconc", KBuiltinN, bi_strconc},
    {"pathconc", KBuiltinN, bi_pathconc},
    {"concat", KBuiltinN, bi_concat},
    {"list", KBuiltinN, bi_list},
    {"conc", KBuiltinN, bi_conc},
    {"*conc", KBuiltinN, bi_nconc},
    {"eset", KBuiltinN, bi_eset},
    {"union", KBuiltinN, bi_union},
    {"intsec", KBuiltinN, bi_intsec},
    {"throw", KBuiltinN, bi_throw},
    {"error", KBuiltinN, bi_error},
    {"exit", KBuiltinN, bi_exit},
    {"return", KBuiltinN, bi_return},
    {"mapcar", KBuiltinN, bi_mapcar},
    {"mapa", KBuiltinN, bi_mapa},
    {"mapcdr", KBuiltinN, bi_mapcdr},
    {"mapd", KBuiltinN, bi_mapd},
    {"ss", KBuiltinN, bi_ss},
    {"load", KBuiltinN, bi_load},
    // Special forms: the unevaluated argument list.
    {"synonym", KSpecial, bi_synonym},
    {"iset", KSpecial, bi_iset},
    {"and", KSpecial, bi_and},
    {"or", KSpecial, bi_or},
    {"cond", KSpecial, bi_cond},
    {"all", KSpecial, bi_all},
    {"exist", KSpecial, bi_exist},
    {"one", KSpecial, bi_one},
    {"store", KSpecial, bi_store},
    {"catch", KSpecial, bi_catch},
    {"caperr", KSpecial, bi_caperr},
    {"prog", KSpecial, bi_prog},
    {"go", KSpecial, bi_go},
    {"do", KSpecial, bi_do},
    {"void", KSpecial, bi_void},
    {"quote", KSpecial, bi_quote},
    {"def", KSpecial, bi_def},
    {"setq", KSpecial, bi_setq},
    // Built-in macros: the expansion replaces the calling form.
    {"fun", KMacro, bi_fun},
    {"let", KMacro, bi_let},
};

const size_t KernelBuiltinCount = sizeof KernelBuiltins / sizeof KernelBuiltins[0];

} // namespace kest
