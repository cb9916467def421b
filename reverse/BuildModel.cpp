// The parse tree to masters: after every file of a run is parsed, packages
// become package places with submodels, classes and interfaces become masters
// with places, their members become member records, and base classes,
// implemented interfaces and class-typed attributes become links. Two passes,
// so that every master exists before links are drawn; masters that exist
// already are found and updated, so a run can be repeated.
#include "drawables/Drawable.h"
#include "drawables/Model.h"
#include "model/Members.h"
#include "reverse/ReverseProject.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

namespace qm {

namespace {

std::string TextOf(const OwnedText& text) {
    return text ? *text : std::string();
}

// The text, moved out of a parse tree that no later step reads it from: a
// method's code and comment may be long, and copying them was a large part
// of building the masters.
std::string TakeText(OwnedText& text) {
    return text ? std::move(*text) : std::string();
}

Master* MasterOfPlace(Drawable* place) {
    auto* node = dynamic_cast<NodeDrawable*>(place);
    return node != nullptr ? node->GetMaster() : nullptr;
}

bool IsContainerKind(int kind) {
    return kind == kNodePackage || kind == kNodeClass || kind == kNodeInterface;
}

// name, type = text1, value = text2 of every child.
ParameterList ElementsOf(const SourceSymbol& node) {
    ParameterList list;
    for (const SourceSymbol* c = node.firstChild.get(); c != nullptr; c = c->next.get()) {
        auto element = std::make_unique<Parameter>();
        element->name = c->name;
        element->type = TextOf(c->text1);
        element->value = TextOf(c->text2);
        list.push_back(std::move(element));
    }
    return list;
}

std::unique_ptr<MasterType> TypeOf(const SourceSymbol& node, int typeKind, Master* owner) {
    auto type = std::make_unique<MasterType>();
    type->name = node.name;
    auto [access, mode] = MemberAccessAndFlags(node);
    type->access = access;
    type->mode = mode;
    type->comment = TextOf(node.comment);
    type->kind = typeKind;
    if (typeKind == TypeSimple) {
        // An alias template's parameters are its elements.
        type->definition = TextOf(node.text1);
        type->elements = ElementsOf(node);
    } else {
        // An enumeration's definition is its head: "class", its underlying
        // type (": std::uint8_t"), both, or nothing.
        if (typeKind == TypeEnum) {
            type->definition = TextOf(node.text1);
        }
        type->elements = ElementsOf(node);
    }
    type->owner = owner;
    return type;
}

// A method record of a method node: its return type, code, comment,
// access and mode, its parameters and the exceptions and contexts it names.
// The node's code and comment are taken, not copied: each method node makes
// one record.
std::unique_ptr<MasterMethod> MethodOf(SourceSymbol& node, Master* owner) {
    auto method = std::make_unique<MasterMethod>();
    method->name = node.name;
    method->returnType = TextOf(node.text1);
    method->code = TakeText(node.text2);
    method->comment = TakeText(node.comment);
    auto [access, mode] = MemberAccessAndFlags(node);
    method->access = access;
    method->mode = mode;
    for (const SourceSymbol* p = node.firstChild.get(); p != nullptr; p = p->next.get()) {
        if (p->kind == kNodeParameter) {
            auto parameter = std::make_unique<Parameter>();
            parameter->name = p->name;
            parameter->type = TextOf(p->text1);
            parameter->value = TextOf(p->text2);
            parameter->direction = ParameterDirectionOf(*p, 0);
            method->parameters.push_back(std::move(parameter));
        } else if (p->kind == kNodeException || p->kind == kNodeContext) {
            auto other = std::make_unique<MethodOther>();
            other->name = p->name;
            other->kind = p->kind == kNodeException ? 0 : 1;
            method->others.push_back(std::move(other));
        }
    }
    method->owner = owner;
    return method;
}

// Whether two methods have one name, return type and parameter types.
bool SameSignature(const MasterMethod& a, const MasterMethod& b) {
    return a.name == b.name && a.returnType == b.returnType &&
           std::ranges::equal(
               a.parameters, b.parameters,
               [](const std::unique_ptr<Parameter>& x, const std::unique_ptr<Parameter>& y) {
                   return x->type == y->type;
               });
}

// The package master of a namespace ("a::b::c" or "a.b.c": the package c
// with the namespace "a.b"), as ResolvePackagePath makes it; null when none.
Master* NamespacePackage(ReverseProject* project, int packageTool, std::string path) {
    for (size_t at = path.find("::"); at != std::string::npos; at = path.find("::", at + 1)) {
        path.replace(at, 2, ".");
    }
    const size_t cut = path.rfind('.');
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const std::string space = cut == std::string::npos ? std::string() : path.substr(0, cut);
    return project->FindMaster(packageTool, name, space);
}

} // namespace

Drawable* ReverseProject::FindPlaceOfMaster(Model* model, const Master* master) {
    return model != nullptr ? model->FindPlaceOfMaster(master) : nullptr;
}

void SplitArrayType(int language, const std::string& text, std::string& type, std::string& bounds) {
    if (language == kLangCSharp) {
        type = text;
        return;
    }
    bounds.clear();
    type = text;
    size_t close = text.rfind(']');
    if (close == std::string::npos || close == 0) {
        return;
    }
    size_t open = text.rfind('[', close - 1);
    if (open == std::string::npos || open == 0 || close - open < 2) {
        return;
    }
    bounds = text.substr(open + 1, close - open - 1);
    type = text.substr(0, open);
}

// A nested struct that is a plain record: no methods, and no template
// parameters (which a type record cannot keep: they would become fields).
bool SourceParser::IsPlainRecord(const SourceSymbol* node) {
    for (const SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeMethod || c->kind == kNodeParameter) {
            return false;
        }
    }
    return true;
}

namespace {

bool IsClassLikeNode(const SourceSymbol* s) {
    return s->kind == kNodeClass || s->kind == kNodeInterface;
}

SourceSymbol* ClassChildNamed(const SourceSymbol* owner, std::string_view name) {
    for (SourceSymbol* c = owner->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (IsClassLikeNode(c) && c->name == name) {
            return c;
        }
    }
    return nullptr;
}

// The nested type that the names of path lead to from start, or null.
SourceSymbol* DescendPath(SourceSymbol* start, const std::vector<std::string_view>& path,
                          size_t from) {
    SourceSymbol* at = start;
    for (size_t i = from; i < path.size() && at != nullptr; ++i) {
        at = ClassChildNamed(at, path[i]);
    }
    return at;
}

std::vector<std::string_view> SplitDots(std::string_view text) {
    std::vector<std::string_view> parts;
    for (size_t at = 0;;) {
        const size_t dot = text.find('.', at);
        parts.push_back(text.substr(at, dot == std::string_view::npos ? dot : dot - at));
        if (dot == std::string_view::npos) {
            return parts;
        }
        at = dot + 1;
    }
}

} // namespace

void SourceParser::ResolveNestedBases() {
    struct Unresolved {
        std::string name;
        OwnedText package;
        int kind;
    };
    std::vector<Unresolved> unresolved;
    std::vector<SourceSymbol*> scopes; // the declaring type and the types around it
    std::function<void(SourceSymbol*)> visit = [&](SourceSymbol* node) {
        scopes.push_back(node);
        const OwnedText& package = scopes.front()->qualifier;
        for (SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
            if (IsClassLikeNode(c)) {
                visit(c);
                continue;
            }
            if (!c->nestedPath || (c->kind != kNodeBaseClass && c->kind != kNodeImplements)) {
                continue;
            }
            const std::string written = TextOf(c->qualifier);
            std::vector<std::string_view> path = SplitDots(written);
            path.push_back(c->name);
            SourceSymbol* found = nullptr;
            // A name of more parts than any real one is taken as written,
            // so that a hostile file cannot make the search quadratic.
            constexpr size_t kMaxPathParts = 64;
            if (path.size() > kMaxPathParts) {
                path.clear();
            }
            if (!path.empty() && std::islower(static_cast<unsigned char>(written.front())) != 0) {
                // A package first (java.util.Map.Entry): the longest package
                // of the run that holds the type, then any declared type of
                // the name, as a name without its package is found.
                for (size_t cut = path.size() - 1; cut > 0 && found == nullptr; --cut) {
                    std::string space(path.front());
                    for (size_t i = 1; i < cut; ++i) {
                        space.append(".").append(path[i]);
                    }
                    for (SourceSymbol* s = Find(language_, path[cut], std::nullopt);
                         s != nullptr && found == nullptr; s = s->sameName.get()) {
                        if (IsClassLikeNode(s) && !s->baseOnly && TextOf(s->qualifier) == space) {
                            found = DescendPath(s, path, cut + 1);
                        }
                    }
                }
                for (SourceSymbol* s = Find(language_, path.back(), std::nullopt);
                     s != nullptr && found == nullptr && path.size() == 2; s = s->sameName.get()) {
                    if (IsClassLikeNode(s) && !s->baseOnly) {
                        found = s;
                    }
                }
            }
            for (auto s = scopes.rbegin(); s != scopes.rend() && found == nullptr && !path.empty();
                 ++s) {
                if (SourceSymbol* first = ClassChildNamed(*s, path.front())) {
                    found = DescendPath(first, path, 1);
                } else if ((*s)->name == path.front()) {
                    found = DescendPath(*s, path, 1);
                }
            }
            if (found == nullptr && !path.empty()) {
                SourceSymbol* other = nullptr;
                for (SourceSymbol* s = Find(language_, path.front(), std::nullopt);
                     s != nullptr && found == nullptr; s = s->sameName.get()) {
                    if (!IsClassLikeNode(s)) {
                        continue;
                    }
                    if (s->qualifier == package) {
                        found = DescendPath(s, path, 1);
                    } else if (other == nullptr) {
                        other = DescendPath(s, path, 1);
                    }
                }
                if (found == nullptr) {
                    found = other;
                }
            }
            c->nestedPath = false;
            if (found != nullptr) {
                c->name = found->name;
                c->qualifier = found->qualifier;
                continue;
            }
            c->name = written + "." + c->name;
            c->qualifier = package;
            const int kind = c->kind == kNodeImplements || node->kind == kNodeInterface
                                 ? kNodeInterface
                                 : kNodeClass;
            unresolved.push_back({c->name, package, kind});
        }
        scopes.pop_back();
    };
    std::vector<SourceSymbol*> tops;
    for (SourceSymbol* head = First(); head != nullptr; head = Next()) {
        for (SourceSymbol* node = head; node != nullptr; node = node->sameName.get()) {
            if (IsClassLikeNode(node)) {
                tops.push_back(node);
            }
        }
    }
    for (SourceSymbol* node : tops) {
        visit(node);
    }
    for (const Unresolved& u : unresolved) {
        SourceSymbol* base = FindOrInsertDeclaration(u.name, u.package);
        if (base->kind == 0) {
            base->kind = u.kind;
            base->baseOnly = true;
        }
    }
}

void SourceParser::ResolveScopedCppBases() {
    std::vector<SourceSymbol*> links;
    std::vector<const SourceSymbol*> allLinks;
    std::function<void(SourceSymbol*)> visit = [&](SourceSymbol* node) {
        for (SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
            if (c->kind == kNodeClass) {
                visit(c);
            } else if (c->kind == kNodeBaseClass) {
                allLinks.push_back(c);
                if (c->nestedPath && c->referencedFrom) {
                    links.push_back(c);
                }
            }
        }
    };
    for (SourceSymbol* head = First(); head != nullptr; head = Next()) {
        for (SourceSymbol* node = head; node != nullptr; node = node->sameName.get()) {
            if (node->kind == kNodeClass) {
                visit(node);
            }
        }
    }
    // A declared class (not one only named as a base) of that name and qualifier.
    auto declared = [&](const std::string& name, const std::string& qualifier) {
        for (SourceSymbol* s = Find(language_, name, std::nullopt); s != nullptr;
             s = s->sameName.get()) {
            if (s->kind == kNodeClass && !s->baseOnly && !s->forwardOnly &&
                TextOf(s->qualifier) == qualifier) {
                return true;
            }
        }
        return false;
    };
    std::vector<std::pair<std::string, std::string>> moved; // (name, written scope)
    for (SourceSymbol* link : links) {
        const std::string written = TextOf(link->qualifier);
        std::string space = *link->referencedFrom;
        link->nestedPath = false;
        for (;;) {
            const std::string candidate = space.empty() ? written : space + "::" + written;
            if (declared(link->name, candidate)) {
                if (candidate != written) {
                    link->qualifier = candidate;
                    moved.emplace_back(link->name, written);
                }
                break;
            }
            if (space.empty()) {
                break;
            }
            const size_t cut = space.rfind("::");
            space = cut == std::string::npos ? std::string() : space.substr(0, cut);
        }
    }
    // A class only named as a base under a scope that turned out to mean
    // another namespace is no class of the sources, unless a base still
    // names it so.
    std::set<std::pair<std::string, std::string>> stillNamed;
    for (const SourceSymbol* link : allLinks) {
        stillNamed.emplace(link->name, TextOf(link->qualifier));
    }
    for (const auto& [name, written] : moved) {
        if (stillNamed.contains({name, written})) {
            continue;
        }
        for (SourceSymbol* s = Find(language_, name, std::nullopt); s != nullptr;
             s = s->sameName.get()) {
            if (s->kind == kNodeClass && s->baseOnly && s->firstChild == nullptr &&
                TextOf(s->qualifier) == written) {
                s->kind = 0;
            }
        }
    }
}

void SourceParser::BuildModelFromParse(ReverseProject* project, Model* model) {
    if (project == nullptr || model == nullptr || !IsDiagramKind(model->kind)) {
        return;
    }
    targetModel_ = model;
    if (language_ == kLangJava) {
        ResolveNestedBases();
    } else if (language_ == kLangCpp) {
        ResolveScopedCppBases();
    }
    for (int pass = 1; pass <= 2; ++pass) {
        for (SourceSymbol* head = First(); head != nullptr; head = Next()) {
            for (SourceSymbol* node = head; node != nullptr; node = node->sameName.get()) {
                // A name the run met but never took as a declaration makes
                // no package for its qualifier either.
                if (node->kind == kNodeKeyword || node->kind == 0) {
                    continue;
                }
                Model* into = ResolvePackagePath(project, model, "", node->qualifier);
                if (pass == 1 && (node->kind == kNodeTypedef ||
                                  (node->kind == kNodeEnumeration && language_ == kLangCpp))) {
                    AddNamespaceType(project, node);
                } else if (pass == 1 && language_ == kLangCpp && node->kind == kNodeClass &&
                           node->forwardOnly && !node->HasGenericParameters()) {
                    // A class of a namespace that the run only declares is
                    // defined elsewhere: it makes no master, but the
                    // namespace declares it ("typedef class Saver Saver;"),
                    // so that its users can name it.
                    SourceSymbol declared{node->name, node->qualifier};
                    declared.kind = kNodeTypedef;
                    declared.text1 =
                        ((node->flags & kModStruct) != 0 ? "struct " : "class ") + node->name;
                    AddNamespaceType(project, &declared);
                } else if (pass == 1) {
                    BuildMasterFromNode(project, into, node);
                } else {
                    LinkMastersFromNode(project, into, node, "");
                }
            }
        }
        if (pass == 1) {
            AddNamespaceFunctions(project, model);
        }
    }
}

// The functions of namespaces become methods of their namespaces' package
// masters (made here for a namespace that declares nothing else), in the
// order read; a function whose signature the master has already (from an
// earlier run) is not added again.
void SourceParser::AddNamespaceFunctions(ReverseProject* project, Model* model) {
    for (const std::unique_ptr<SourceSymbol>& node : cppFunctions_) {
        ResolvePackagePath(project, model, "", node->qualifier);
        Master* package = NamespacePackage(project, PackageTool(), TextOf(node->qualifier));
        if (package == nullptr) {
            continue;
        }
        std::unique_ptr<MasterMethod> method = MethodOf(*node, package);
        if (std::ranges::none_of(package->methods, [&](const std::unique_ptr<MasterMethod>& old) {
                return SameSignature(*old, *method);
            })) {
            package->methods.push_back(std::move(method));
        }
    }
}

// The first component is the leading run of the qualifier's name characters
// (letters, digits, "_" and the bytes of non-ASCII letters, at most 255); a
// "." or a C++ "::" after it leads into the next.
Model* SourceParser::ResolvePackagePath(ReverseProject* project, Model* model,
                                        const std::string& prefix, const OwnedText& qualifier) {
    if (!qualifier) {
        return model;
    }
    const std::string& text = *qualifier;
    size_t length = 0;
    while (length < text.size() && length < 255) {
        unsigned char c = static_cast<unsigned char>(text[length]);
        if (!(std::isalnum(c) || c == '_' || c >= 0x80)) {
            break;
        }
        ++length;
    }
    // A component cut at its limit does not end inside a character.
    while (length < text.size() && length > 0 &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    if (length == 0) {
        return model;
    }
    const std::string component = text.substr(0, length);
    const std::string fullName = prefix.empty() ? component : prefix + "." + component;
    Model* submodel = project->FindOrCreatePackage(model, component, prefix, PackageTool(),
                                                   (ProfileFlags() & kRevShowAllMembers) != 0);
    if (submodel == nullptr) {
        return model;
    }
    if (length < text.size() && text[length] == '.') {
        return ResolvePackagePath(project, submodel, fullName, text.substr(length + 1));
    }
    if (text.compare(length, 2, "::") == 0) {
        return ResolvePackagePath(project, submodel, fullName, text.substr(length + 2));
    }
    return submodel;
}

// A C++ parameter's kind written through an object-like macro that the run
// defined (in any file) as a kind, as the macro's text, so that the kind is
// whole without the macro; a pack keeps its "...".
std::string SourceParser::KindWithoutMacro(const std::string& kind) const {
    const bool pack = kind.ends_with("...");
    const std::string_view word = std::string_view(kind).substr(0, kind.size() - (pack ? 3 : 0));
    const std::string* macro = KindMacroText(word);
    if (macro == nullptr) {
        return kind;
    }
    return pack ? *macro + "..." : *macro;
}

void SourceParser::BuildMasterFromNode(ReverseProject* project, Model* model, SourceSymbol* node) {
    // A class known only from a forward declaration makes no master.
    if (model == nullptr || !IsContainerKind(node->kind) || node->forwardOnly) {
        return;
    }
    const bool showAll = (ProfileFlags() & kRevShowAllMembers) != 0;
    const bool recordFiles = (ProfileFlags() & kRevRecordFileNames) != 0;
    const std::string nameSpace = TextOf(node->qualifier);

    if (node->kind == kNodePackage) {
        // A package placed by an earlier run keeps its place, so a run can be
        // repeated without a second place each time.
        Drawable* place =
            project->FindPlaceByMasterName(model, PackageTool(), node->name, nameSpace);
        if (place == nullptr) {
            place = project->AddMasterPlace(model, PackageTool(), node->name, nameSpace, showAll);
        }
        Master* package = MasterOfPlace(place);
        if (package == nullptr) {
            return;
        }
        package->masterFlags |= MasterGenCode;
        if (node->comment) {
            package->comment = *node->comment;
        }
        if (recordFiles && node->text2) {
            package->file = *node->text2;
        }
        for (SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
            if (IsContainerKind(c->kind)) {
                BuildMasterFromNode(project, project->EnsureSubmodel(package, model), c);
            }
        }
        return;
    }

    // A class with generic parameters is a class all the same: it takes the
    // class tool (the tool after it places objects, which no generator
    // treats as classes); its parameters are the master's. A master an
    // earlier run placed with that tool is found and kept.
    int tool = ClassTool();
    Drawable* place = project->FindPlaceByMasterName(model, tool, node->name, nameSpace);
    bool existed = project->FindMaster(tool, node->name, nameSpace) != nullptr;
    if (place == nullptr && !existed &&
        project->FindMaster(tool + 1, node->name, nameSpace) != nullptr) {
        tool = ClassTool() + 1;
        place = project->FindPlaceByMasterName(model, tool, node->name, nameSpace);
        existed = true;
    }
    if (place == nullptr) {
        place = project->AddMasterPlace(model, tool, node->name, nameSpace, showAll);
    }
    Master* master = MasterOfPlace(place);
    if (master == nullptr) {
        return;
    }
    // A base the run only names is declared elsewhere: a master made for it
    // generates no code (its tool may have made it generating).
    if (!node->baseOnly) {
        master->masterFlags |= MasterGenCode;
    } else if (!existed) {
        master->masterFlags &= ~MasterGenCode;
    }
    if (node->kind == kNodeInterface) {
        master->masterFlags |= MasterInterface;
    }
    if ((node->flags & kModAbstract) != 0) {
        master->masterFlags |= MasterAbstract;
    }
    if ((node->flags & kModFinal) != 0) {
        master->masterFlags |= MasterFinal;
    }
    if (node->enumeration) {
        master->stereotype = "enum";
    } else if (node->cppUnion) {
        // The class tool has no union of its own: the stereotype tells the
        // generator to declare it a union again.
        master->stereotype = "union";
    } else if (language_ == kLangJava) {
        // The kind of Java type the master's class tool cannot tell: the
        // generated code declares it again.
        // An inner class that is sealed too keeps the sealing, which its
        // subclasses rely on to compile.
        const char* kind = node->record                         ? "record"
                           : (node->flags & kModSealed) != 0    ? "sealed"
                           : (node->flags & kModNonSealed) != 0 ? "non-sealed"
                           : node->inner                        ? "inner"
                                                                : "";
        if (*kind != '\0' || master->stereotype == "record" || master->stereotype == "sealed" ||
            master->stereotype == "non-sealed" || master->stereotype == "inner") {
            master->stereotype = kind;
        }
    }
    int access = 0;
    if ((node->flags & kModPrivate) != 0) {
        access |= AccessPrivate;
    }
    if ((node->flags & kModProtected) != 0) {
        access |= AccessProtected;
    }
    if ((node->flags & kModPublic) != 0) {
        access |= AccessPublic;
    }
    master->access = access != 0 ? access : AccessPackage;
    if (node->comment) {
        master->comment = *node->comment;
    }
    if (recordFiles && node->text2) {
        master->file = *node->text2;
    }
    if (node->imports) {
        master->imports = *node->imports;
    }

    bool cleared = !existed;
    for (SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (!cleared) {
            // The members of this run replace the old ones.
            project->DiscardMembers(master->ClearMemberLists());
            cleared = true;
        }
        auto [memberAccess, mode] = MemberAccessAndFlags(*c);
        switch (c->kind) {
        case kNodeParameter: {
            auto parameter = std::make_unique<Parameter>();
            parameter->name = c->name;
            parameter->type = TextOf(c->text1);
            // The readers' texts mean different things: a C++ parameter's
            // kind and default, a Java parameter's bound.
            if (language_ == kLangCpp) {
                parameter->type = KindWithoutMacro(parameter->type);
                parameter->value = TextOf(c->text2);
                parameter->direction = ParamTypeKind;
            } else if (language_ == kLangJava && !parameter->type.empty()) {
                parameter->direction = ParamTypeBound;
            }
            master->parameters.push_back(std::move(parameter));
            break;
        }
        case kNodeAttribute: {
            bool isArray = false;
            bool byValue = false;
            if (ResolveAttributeClass(project, model, c, isArray, byValue) != nullptr) {
                break; // drawn as a link in the second pass
            }
            auto attribute = std::make_unique<MasterAttribute>();
            attribute->name = c->name;
            // A macro of the run standing for a class's name is expanded
            // here, once every file is read: a header may use it before the
            // file that defines it.
            SplitArrayType(language_,
                           language_ == kLangCpp ? ExpandCppNameMacros(TextOf(c->text1))
                                                 : TextOf(c->text1),
                           attribute->type, attribute->cardinality);
            attribute->value = TextOf(c->text2);
            attribute->comment = TextOf(c->comment);
            attribute->access = memberAccess;
            attribute->mode = mode;
            attribute->owner = master;
            master->attributes.push_back(std::move(attribute));
            break;
        }
        case kNodeMethod:
            master->methods.push_back(MethodOf(*c, master));
            break;
        case kNodeException: {
            auto exception = std::make_unique<MasterException>();
            exception->name = c->name;
            exception->comment = TextOf(c->comment);
            exception->members = ElementsOf(*c);
            exception->owner = master;
            master->exceptions.push_back(std::move(exception));
            break;
        }
        case kNodeEnumeration:
            master->types.push_back(TypeOf(*c, TypeEnum, master));
            break;
        case kNodeOtherType:
            master->types.push_back(TypeOf(*c, TypeStruct, master));
            break;
        case kNodeTypedef:
            master->types.push_back(TypeOf(*c, TypeSimple, master));
            break;
        case kNodeClass:
        case kNodeInterface:
            if ((c->flags & kModStruct) != 0 && IsPlainRecord(c)) {
                master->types.push_back(TypeOf(*c, TypeStruct, master));
            } else {
                BuildMasterFromNode(project, project->EnsureSubmodel(master, model), c);
            }
            break;
        default:
            break;
        }
    }
    // Java overloads may differ in their parameters' types alone.
    master->RemoveDuplicateMembers(language_ == kLangJava);
}

// A type alias or an enumeration of a namespace becomes a type of the
// namespace's package master (made by ResolvePackagePath), once per name.
void SourceParser::AddNamespaceType(ReverseProject* project, const SourceSymbol* node) {
    if (!node->qualifier || node->qualifier->empty()) {
        return;
    }
    Master* package = NamespacePackage(project, PackageTool(), *node->qualifier);
    if (package == nullptr) {
        return;
    }
    for (const auto& type : package->types) {
        if (type->name == node->name) {
            return;
        }
    }
    package->types.push_back(
        TypeOf(*node, node->kind == kNodeEnumeration ? TypeEnum : TypeSimple, package));
}

Master* SourceParser::ResolveAttributeClass(ReverseProject* project, Model* model,
                                            const SourceSymbol* node, bool& isArray,
                                            bool& byValue) {
    if ((ProfileFlags() & kRevRelationshipsAsLinks) == 0 || node->kind != kNodeAttribute) {
        return nullptr;
    }
    // A static member (a constant, a shared instance, an enumeration's
    // constant) relates the class to no instance: it stays an attribute,
    // with the modifiers and the value a link could not keep.
    if ((node->flags & kModStatic) != 0) {
        return nullptr;
    }
    std::string type = TextOf(node->text1);
    size_t cut = type.find('[');
    isArray = cut != std::string::npos;
    if (cut == std::string::npos) {
        cut = type.find('*');
    }
    if (cut == std::string::npos) {
        cut = type.find('&');
    }
    byValue = cut == std::string::npos;
    if (cut != std::string::npos) {
        type.resize(cut);
    }
    while (!type.empty() && (type.back() == '*' || type.back() == '&' || type.back() == ' ')) {
        type.pop_back();
    }
    if (type.empty()) {
        return nullptr;
    }
    const std::string scope = model->GetQualifiedName(targetModel_);
    Master* master = project->FindMasterInScopes(ClassTool(), type, TextOf(node->qualifier), scope);
    if (master == nullptr) {
        master = project->FindMasterInScopes(ClassTool() + 1, type, TextOf(node->qualifier), scope);
    }
    return master;
}

void SourceParser::LinkMastersFromNode(ReverseProject* project, Model* model,
                                       const SourceSymbol* node, const std::string& linkName) {
    if (model == nullptr || !IsContainerKind(node->kind)) {
        return;
    }
    const bool showAll = (ProfileFlags() & kRevShowAllMembers) != 0;
    const std::string scope = model->GetQualifiedName(targetModel_);
    const std::string nameSpace = TextOf(node->qualifier);
    Master* master = nullptr;
    if (node->kind == kNodePackage) {
        master = project->FindMasterInScopes(PackageTool(), node->name, nameSpace, scope);
    } else {
        master = project->FindMasterInScopes(ClassTool(), node->name, nameSpace, scope);
        if (master == nullptr) {
            master = project->FindMasterInScopes(ClassTool() + 1, node->name, nameSpace, scope);
        }
    }
    if (master == nullptr) {
        return;
    }
    Drawable* place = project->FindPlaceOfMaster(model, master);
    if (place == nullptr) {
        return;
    }
    // The place in this model of a referenced master, made when it has none here.
    auto placeOf = [&](Master* referenced, int tool) {
        Drawable* target = project->FindPlaceOfMaster(model, referenced);
        if (target == nullptr) {
            target = project->AddMasterPlace(model, tool, referenced->name, referenced->nameSpace,
                                             showAll);
        }
        return target;
    };
    for (const SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeBaseClass || c->kind == kNodeImplements) {
            const std::string childSpace = TextOf(c->qualifier);
            int tool = ClassTool();
            Master* referenced = project->FindMasterInScopes(tool, c->name, childSpace, scope);
            if (referenced == nullptr) {
                tool = ClassTool() + 1;
                referenced = project->FindMasterInScopes(tool, c->name, childSpace, scope);
            }
            if (referenced == nullptr) {
                continue;
            }
            Drawable* target = placeOf(referenced, tool);
            if (target == nullptr) {
                continue;
            }
            const int linkTool = c->kind == kNodeBaseClass ? InheritanceTool() : RealizationTool();
            Drawable* link = project->FindLink(model, linkTool, "", place, target);
            if (link == nullptr) {
                link = project->AddLink(model, linkTool, linkName, place, target);
            }
            // A template base's arguments are the link's type.
            if (link != nullptr && c->text1) {
                project->SetLinkType(link, *c->text1);
            }
        } else if (c->kind == kNodeAttribute && (ProfileFlags() & kRevRelationshipsAsLinks) != 0) {
            bool isArray = false;
            bool byValue = false;
            Master* referenced = ResolveAttributeClass(project, model, c, isArray, byValue);
            if (referenced == nullptr) {
                continue;
            }
            const int tool = referenced->ToolNumber() >= 0 ? referenced->ToolNumber() : ClassTool();
            Drawable* target = placeOf(referenced, tool);
            if (target == nullptr) {
                continue;
            }
            const int linkTool = byValue ? CompositionTool() : AggregationTool();
            // Each attribute has its own link, so two attributes of one class
            // both show.
            if (project->FindLink(model, linkTool, c->name, place, target) != nullptr) {
                continue;
            }
            Drawable* link = project->AddLink(model, linkTool, c->name, place, target);
            if (link != nullptr) {
                project->SetLinkDetails(link, MemberAccessAndFlags(*c).first, byValue ? 0 : 0x20,
                                        isArray ? "1" : "", isArray ? "n" : "");
            }
        }
    }
    if (auto* submodel = dynamic_cast<Model*>(master->submodel)) {
        for (const SourceSymbol* c = node->firstChild.get(); c != nullptr; c = c->next.get()) {
            LinkMastersFromNode(project, submodel, c, "");
        }
    }
}

} // namespace qm
