// The declaration scanners of the Java, C#, PHP, Orvistal and Forte TOOL
// parsers, each over the input a SourceParser has open (a file, or text in
// memory), and the scanner that Java, C# and PHP share for their type
// declarations, base lists and members.
#pragma once

#include "reverse/SourceParser.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

// Each reads the open input to its end, recording declarations in the
// parser's symbol table; 1 when the end was reached. The tokenizer may throw
// SourceParseStopped (SourceParser::ParseSourceFile catches it).
int ParseJavaInput(SourceParser& parser);
int ParseCSharpInput(SourceParser& parser);
int ParsePhpInput(SourceParser& parser);
int ParseOrvistalInput(SourceParser& parser);
int ParseToolInput(SourceParser& parser);

// The type declarations of Java, C# and PHP: classes, interfaces (and C#
// structs) with their type parameters, base lists and members.
class JavaFamilyParser {
  public:
    explicit JavaFamilyParser(SourceParser& parser);

    // The current token is class, interface or struct (or Java's @interface);
    // modifiers are the bits read before it. Reads the declaration and its
    // body; enclosing is the type it is nested in, or null at the top level.
    // Returns 0 after an error (the current token is where it stopped).
    int ParseType(SourceSymbol* enclosing, int modifiers);
    // Java: the current token is "enum" at the top level. The enumeration is
    // a class of the current package: each constant a public static final
    // attribute of the enumeration's own type, its implements clause, and
    // after ";" its fields, constructors and methods as a class body's.
    int ParseJavaTopLevelEnum(int modifiers);

    // True on the word that declares an interface where the keyword table
    // has no keyword for it (C# "interface", Java "@interface").
    static bool IsInterfaceWord(const SourceParser& parser);
    static bool IsRecordWord(const SourceParser& parser);
    // @Name or @a.b.Name with an optional argument list.
    int SkipAnnotation();
    // Reads Java's sealed and non-sealed (their bits are added to modifiers)
    // and strictfp; false for other tokens.
    static bool ReadSealedWord(SourceParser& parser, int& modifiers);
    // Java: an import of the file being read ("a.b.C", "static a.B.*"); the
    // top-level types the file declares record every import read before them.
    void AddFileImport(const std::string& import);

    // A top-level symbol of that name and kind under any qualifier (kind 0:
    // a class or an interface), or null.
    SourceSymbol* FindTopLevel(const std::string& name, int kind) const;

  private:
    bool IsAnnotation() const;
    std::string HeapTypeText(const TypeText& type) const;
    bool IsTypeKeyword() const;
    bool IsPermitsWord() const;
    int ParseTypeParameters(std::vector<std::string>& names, std::vector<OwnedText>& bounds);
    int ParseBaseList(SourceSymbol* node, SourceSymbol* enclosing, bool isInterface);
    int ParseCSharpBaseList(SourceSymbol* node, SourceSymbol* enclosing);
    OwnedText ParseBaseName();
    SourceSymbol* FindBase(const std::string& name, SourceSymbol* enclosing, int kind) const;
    // Adds the reference to a base; arguments are its type arguments, if any.
    void AddBaseLink(SourceSymbol* node, SourceSymbol* base, int linkKind,
                     OwnedText arguments = std::nullopt);
    int ParseBody(SourceSymbol* node, bool isInterface);
    int ParseMembers(SourceSymbol* node, bool isInterface);
    // Java: the code of the static and instance initializer blocks of the
    // type whose members are being read, each block whole, in source order.
    struct InitializerBlocks {
        std::vector<std::string> statics;
        std::vector<std::string> instances;
    };
    void ReadInitializerBlock(bool isStatic);
    void AddInitializers(SourceSymbol* node, const InitializerBlocks& blocks);
    void SkipPastEnumEnd();
    bool ReadBracketedCode(std::string& text);
    int ReadEnumConstants(SourceSymbol* node,
                          const std::function<void(std::string, std::string)>& add);
    int ParseMember(SourceSymbol* node, bool isInterface);
    int ParseJavaEnum(SourceSymbol* parent, OwnedText comment, int flags);
    int ReadEnumClass(SourceSymbol* node, SourceSymbol* enclosing, const std::string& name);
    void ReadInitializer(TypeText& text);
    int ParseField(SourceSymbol* node, bool isInterface, std::string name, TypeText& type,
                   int modifiers, OwnedText comment, int line);
    int ParseMethod(SourceSymbol* node, bool isInterface, const std::string& name,
                    const TypeText& type, int modifiers, OwnedText comment, bool isDefault);
    int ParseParameters(SourceSymbol* method);
    int ParsePhpParameter(SourceSymbol* method);
    int ParseThrows(SourceSymbol* method);
    void SkipMemberRest();

    SourceParser& p_;
    std::string fileImports_;
    int lang_;
    bool java_;
    bool csharp_;
    bool php_;
    int depth_ = 0; // types being read, the outermost included
    // The types whose bodies are being read, outermost first: the scopes in
    // which a base's simple name is looked for.
    std::vector<SourceSymbol*> open_;
    InitializerBlocks* blocks_ = nullptr; // of the innermost type being read
};

} // namespace qm
