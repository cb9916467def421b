// The language table, the symbol table and parse-tree nodes, the keyword
// table and the small look-ups over tokens and modifier bits.
#include "ReverseTestSupport.h"

#include "reverse/SourceLanguage.h"
#include "reverse/SourceSymbol.h"
#include "reverse/SourceTokens.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace qm {
namespace {

using test::FakeDocument;
using test::FakeTemplate;
using test::Tokens;

TEST(SourceLanguageTest, NamesAndCodes) {
    EXPECT_EQ(LanguageName(kLangForte), "Forte TOOL");
    EXPECT_EQ(LanguageName(kLangCSharp), "C#");
    EXPECT_EQ(LanguageName(3), "");
    EXPECT_EQ(LanguageName(0), "");
    EXPECT_EQ(LanguageIndexByName("IDL"), 4);
    EXPECT_EQ(LanguageIndexByName("idl"), -1);
    EXPECT_EQ(LanguageCodeByName("Forte TOOL"), 64);
    EXPECT_EQ(LanguageCodeByName("C++"), 1);
    EXPECT_EQ(LanguageCodeByName("Cobol"), -1);
    EXPECT_EQ(LanguageTable[0].extensions, "h hpp inl c cc cpp");
    EXPECT_EQ(LanguageTable[6].extensions, "pex cla tool");
}

TEST(SymbolTableTest, BucketChainsStaySortedAndFindByName) {
    SourceSymbolTable table(kLangJava);
    // Names with the same letters in another order share a bucket.
    for (const char* name : {"cab", "abc", "bca", "bac"}) {
        table.FindOrInsert(kLangJava, name, std::nullopt);
    }
    EXPECT_EQ(table.Hash("abc"), table.Hash("CAB"));
    std::vector<std::string> order;
    for (SourceSymbol* s = table.First(); s != nullptr; s = table.Next()) {
        order.push_back(s->name);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"abc", "bac", "bca", "cab"}));
    EXPECT_NE(table.Find(kLangJava, "bca", std::nullopt), nullptr);
    EXPECT_EQ(table.Find(kLangJava, "BCA", std::nullopt), nullptr);
    EXPECT_EQ(table.Find(kLangJava, "acb", std::nullopt), nullptr);
    EXPECT_EQ(table.FindOrInsert(kLangJava, "abc", std::nullopt),
              table.Find(kLangJava, "abc", std::nullopt));
}

TEST(SymbolTableTest, QualifiedSymbolsHangFromTheFirstOfTheirName) {
    SourceSymbolTable table(kLangJava);
    SourceSymbol* a = table.FindOrInsert(kLangJava, "A", std::string("p"));
    SourceSymbol* b = table.FindOrInsert(kLangJava, "A", std::string("q"));
    EXPECT_NE(a, b);
    EXPECT_EQ(a->sameName.get(), b);
    EXPECT_EQ(table.Find(kLangJava, "A", std::string("q")), b);
    EXPECT_EQ(table.Find(kLangJava, "A", std::string("p")), a);
    EXPECT_EQ(table.Find(kLangJava, "A", std::string("r")), nullptr);
    EXPECT_EQ(table.Find(kLangJava, "A", std::nullopt), a);
    // The iterator does not walk sameName chains.
    int count = 0;
    for (SourceSymbol* s = table.First(); s != nullptr; s = table.Next()) {
        ++count;
    }
    EXPECT_EQ(count, 1);
}

TEST(SymbolTableTest, QualifiedSearchStopsAtASymbolWithoutQualifier) {
    SourceSymbolTable table(kLangJava);
    SourceSymbol* plain = table.FindOrInsert(kLangJava, "B", std::nullopt);
    SourceSymbol* qualified = table.FindOrInsert(kLangJava, "B", std::string("p"));
    EXPECT_EQ(plain->sameName.get(), qualified);
    EXPECT_EQ(table.Find(kLangJava, "B", std::string("p")), nullptr);
}

TEST(SymbolTableTest, ForteNamesCompareWithoutCase) {
    EXPECT_EQ(SourceSymbolTable::CompareNames(kLangForte, "Begin", "begin"), 0);
    EXPECT_NE(SourceSymbolTable::CompareNames(kLangJava, "Begin", "begin"), 0);
    EXPECT_LT(SourceSymbolTable::CompareNames(kLangForte, "abc", "ABD"), 0);
    EXPECT_GT(SourceSymbolTable::CompareNames(kLangCpp, "ab", "a"), 0);

    SourceParser forte(nullptr, kLangForte);
    SourceSymbol* keyword = forte.Find(kLangForte, "Begin", std::nullopt);
    ASSERT_NE(keyword, nullptr);
    EXPECT_EQ(keyword->kind, kNodeKeyword);
    EXPECT_EQ(keyword->flags, KeywordToken("begin"));
    SourceParser java(nullptr, kLangJava);
    EXPECT_EQ(java.Find(kLangJava, "Class", std::nullopt), nullptr);
    EXPECT_EQ(Tokens(java, "Class"), (std::vector<int>{kTokIdentifier, kTokEnd}));
}

TEST(SymbolTableTest, ChildrenOfClassKindsAreUpdatedAndMethodsOverload) {
    SourceSymbol parent("P", std::nullopt);
    SourceSymbol* m1 = parent.AddChild(kLangJava, "f", std::nullopt, kNodeMethod, 4,
                                       std::string("int"), std::nullopt, std::nullopt);
    SourceSymbol* m2 = parent.AddChild(kLangJava, "f", std::nullopt, kNodeMethod, 4,
                                       std::string("void"), std::nullopt, std::nullopt);
    EXPECT_NE(m1, m2);
    SourceSymbol* c1 = parent.AddChild(kLangJava, "C", std::nullopt, kNodeClass, 4,
                                       std::string("t1"), std::string("v1"), std::string("doc"));
    SourceSymbol* c2 = parent.AddChild(kLangJava, "C", std::string("q"), kNodeClass, 0,
                                       std::nullopt, std::string("v2"), std::nullopt);
    EXPECT_EQ(c1, c2);
    EXPECT_EQ(c1->qualifier, "q");
    EXPECT_EQ(c1->flags, 4); // zero flags keep the old ones
    EXPECT_EQ(c1->text1, "t1");
    EXPECT_EQ(c1->text2, "v2");
    EXPECT_EQ(c1->comment, "doc");
    // A class and an exception of one name are different children.
    SourceSymbol* e = parent.AddChild(kLangJava, "C", std::nullopt, kNodeException, 0, std::nullopt,
                                      std::nullopt, std::nullopt);
    EXPECT_NE(e, c1);
    EXPECT_FALSE(parent.HasGenericParameters());
    parent.AddChild(kLangJava, "T", std::nullopt, kNodeParameter, 0, std::nullopt, std::nullopt,
                    std::nullopt);
    EXPECT_TRUE(parent.HasGenericParameters());

    std::vector<std::string> names;
    for (SourceSymbol* c = parent.firstChild.get(); c != nullptr; c = c->next.get()) {
        names.push_back(c->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"f", "f", "C", "C", "T"}));
    EXPECT_EQ(parent.FindChild(kLangJava, "f"), m1);
}

TEST(SymbolTableTest, RemovingTheLastChildKeepsAppendingRight) {
    SourceSymbol parent("P", std::nullopt);
    for (const char* name : {"a", "b", "c"}) {
        parent.AddChild(kLangCpp, name, std::nullopt, kNodeAttribute, 0, std::nullopt, std::nullopt,
                        std::nullopt);
    }
    EXPECT_TRUE(parent.RemoveChildByName(kLangCpp, "c"));
    EXPECT_FALSE(parent.RemoveChildByName(kLangCpp, "zz"));
    parent.AddChild(kLangCpp, "d", std::nullopt, kNodeAttribute, 0, std::nullopt, std::nullopt,
                    std::nullopt);
    EXPECT_TRUE(parent.RemoveChildByName(kLangCpp, "a"));
    std::vector<std::string> names;
    for (SourceSymbol* c = parent.firstChild.get(); c != nullptr; c = c->next.get()) {
        names.push_back(c->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"b", "d"}));
}

TEST(SymbolTableTest, LongChildListsAreDeletedWithoutDeepRecursion) {
    auto parent = std::make_unique<SourceSymbol>("P", std::nullopt);
    for (int i = 0; i < 300000; ++i) {
        parent->AddChild(kLangCpp, "x", std::nullopt, kNodeParameter, 0, std::nullopt, std::nullopt,
                         std::nullopt);
    }
    parent.reset();
    SUCCEED();
}

TEST(KeywordTableTest, HasEveryRowWithItsCode) {
    EXPECT_EQ(KeywordTable.size(), 173u);
    std::set<int> codes;
    for (const KeywordRow& row : KeywordTable) {
        codes.insert(row.token);
        EXPECT_NE(row.mask, 0) << row.text;
    }
    for (int code = 0; code < 167; ++code) {
        EXPECT_EQ(codes.count(code), (code == 96 || code == 122) ? 0u : 1u) << code;
    }
    EXPECT_EQ(KeywordTable.front().text, "abstract");
    EXPECT_EQ(KeywordTable.back().text, "xor");
    struct Row {
        const char* text;
        int token;
        int mask;
    };
    // Rows that share a code or a word, and a sample of the rest.
    const Row rows[] = {
        {"abstract", 0, 60},
        {"const", 22, 63},
        {"constant", 22, 64},
        {"public", 111, 125},
        {"publicinternal", 111, 64},
        {"xor", 191, 32},
        {"and", 2, 32},
        {"or", 101, 32},
        {"interface", 81, 110},
        {"string", 134, 24},
        {"while", 166, 61},
        {"typedef", 148, 67},
        {"sizeof", 128, 17},
        {"virtual", 162, 81},
        {"class", 19, 125},
    };
    for (const Row& row : rows) {
        int found = 0;
        for (const KeywordRow& k : KeywordTable) {
            if (k.text == row.text && k.mask == row.mask) {
                EXPECT_EQ(k.token, row.token) << row.text;
                ++found;
            }
        }
        EXPECT_EQ(found, 1) << row.text;
    }
    // Words with two rows for different languages under one code.
    std::map<std::string_view, int> masks;
    for (const KeywordRow& row : KeywordTable) {
        masks[row.text] |= row.mask;
    }
    EXPECT_EQ(masks["event"], 64 | 16);
    EXPECT_EQ(masks["in"], 8 | 18);
    EXPECT_EQ(masks["is"], 64 | 16);
    EXPECT_EQ(masks["using"], 1 | 16);
    EXPECT_EQ(masks["implicit"], 80 | 16);
}

TEST(KeywordTableTest, EachLanguageSeesItsOwnKeywords) {
    struct Case {
        int language;
        const char* word;
        int token; // kTokIdentifier when the word is not reserved there
    };
    const Case cases[] = {
        {kLangCpp, "interface", kTokIdentifier},
        {kLangIdl, "interface", 81},
        {kLangJava, "interface", 81},
        {kLangCpp, "class", 19},
        {kLangIdl, "class", kTokIdentifier},
        {kLangForte, "cLaSs", 19},
        {kLangForte, "CLASS", 19},
        {kLangJava, "CLASS", kTokIdentifier},
        {kLangPhp, "xor", kTokCaret},
        {kLangCpp, "xor", kTokIdentifier},
        {kLangJava, "string", kTokIdentifier},
        {kLangCSharp, "string", 134},
        {kLangOrvistal, "string", 134},
        {kLangForte, "constant", 22},
        {kLangCpp, "constant", kTokIdentifier},
        {kLangForte, "const", kTokIdentifier},
        {kLangForte, "PublicInternal", 111},
        {kLangCSharp, "in", 73},
        {kLangIdl, "in", 73},
        {kLangOrvistal, "in", 73},
        {kLangJava, "in", kTokIdentifier},
        {kLangPhp, "and", 2},
        {kLangPhp, "echo", kTokIdentifier},
        {kLangCpp, "using", 158},
        {kLangCSharp, "using", 158},
        {kLangJava, "using", kTokIdentifier},
        {kLangIdl, "raises", 113},
        {kLangCpp, "raises", kTokIdentifier},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tokens(c.language, c.word), (std::vector<int>{c.token, kTokEnd}))
            << c.word << " in " << LanguageName(c.language);
    }
}

TEST(KeywordTableTest, EveryRowReadsAsItsTokenInItsLanguages) {
    for (int language : {1, 2, 4, 8, 16, 32, 64}) {
        SourceParser parser(nullptr, language);
        for (const KeywordRow& row : KeywordTable) {
            if ((row.mask & language) == 0) {
                continue;
            }
            parser.OpenSourceText("k", std::string(row.text));
            EXPECT_EQ(parser.GetToken(), row.token) << row.text << " in " << language;
            EXPECT_EQ(parser.CurrentText(), row.text);
        }
    }
}

TEST(SourceParserTest, ToolIdsComeFromTheTemplateOrDefaults) {
    SourceParser plain(nullptr, kLangCpp);
    EXPECT_EQ(plain.ClassTool(), 10);
    EXPECT_EQ(plain.PackageTool(), 12);
    EXPECT_EQ(plain.InheritanceTool(), 0);
    EXPECT_EQ(plain.RealizationTool(), 7);
    EXPECT_EQ(plain.CompositionTool(), 1);
    EXPECT_EQ(plain.AggregationTool(), 3);
    FakeTemplate tools;
    FakeDocument document(178, &tools);
    SourceParser parser(&document, kLangCpp);
    EXPECT_EQ(parser.ClassTool(), 110);
    EXPECT_EQ(parser.AggregationTool(), 103);
    ASSERT_EQ(tools.lookups.size(), 6u);
    EXPECT_EQ(tools.lookups[1],
              std::make_pair(ReverseToolKind::Place, ReverseToolSemantics::Package));
    EXPECT_EQ(tools.lookups[3],
              std::make_pair(ReverseToolKind::Link, ReverseToolSemantics::Realization));
}

TEST(SourceParserTest, CaptureOnlyForLanguagesThatKeepBodies) {
    FakeDocument keep(kRevKeepMethodCode);
    FakeDocument drop(0);
    for (int language : {1, 2, 4, 8, 16, 32, 64}) {
        SourceParser withFlag(&keep, language);
        SourceParser withoutFlag(&drop, language);
        EXPECT_EQ(withFlag.Capture().enabled, language != kLangCpp && language != kLangIdl);
        EXPECT_FALSE(withoutFlag.Capture().enabled);
    }
}

TEST(TokenLookupTest, TypeKeywordsModifiersAndTexts) {
    for (int token :
         {KeywordToken("any"), KeywordToken("bool"), KeywordToken("unsigned"), KeywordToken("void"),
          KeywordToken("vague"), KeywordToken("string"), KeywordToken("native")}) {
        EXPECT_TRUE(IsTypeKeyword(token)) << token;
    }
    for (int token :
         {KeywordToken("class"), KeywordToken("const"), int{kTokIdentifier}, int{kTokStar}}) {
        EXPECT_FALSE(IsTypeKeyword(token));
    }
    EXPECT_EQ(ModifierBitOf(KeywordToken("private")), 0x1);
    EXPECT_EQ(ModifierBitOf(KeywordToken("publicinternal")), 0x4);
    EXPECT_EQ(ModifierBitOf(KeywordToken("constant")), 0x8);
    EXPECT_EQ(ModifierBitOf(KeywordToken("inout")), 0xC0);
    EXPECT_EQ(ModifierBitOf(KeywordToken("delayed")), 0x40000000);
    EXPECT_EQ(ModifierBitOf(KeywordToken("class")), 0);
    EXPECT_EQ(ModifierBitOf(kTokIdentifier), 0);

    EXPECT_EQ(TokenText(KeywordToken("class"), "Class"), "Class");
    EXPECT_EQ(TokenText(kTokString, "\"s\""), "\"s\"");
    EXPECT_EQ(TokenText(kTokCharacter, "'c'"), "'c'");
    EXPECT_EQ(TokenText(kTokArrowStar, "x"), "->*");
    EXPECT_EQ(TokenText(kTokEllipsis, "x"), "...");
    EXPECT_EQ(TokenText(kTokAssign, "x"), "=");
    EXPECT_EQ(TokenText(kTokNone, "x"), "");
    EXPECT_EQ(TokenText(kTokBackslash, "x"), "\\");
    EXPECT_EQ(TokenText(kTokEnd, "x"), "");
    EXPECT_EQ(TokenText(kTokPhpOpen, "x"), "");
}

TEST(TokenLookupTest, MemberAccessFlagsAndDirections) {
    struct Case {
        int modifiers;
        int access;
        int flags;
    };
    const Case cases[] = {
        {0, 0, 16},
        {kModPrivate | kModPublic, 1, 16},
        {kModProtected, 2, 16},
        {kModPublic | kModStatic | kModConst, 3, 16 | 1 | 2},
        {kModVirtual | kModOneway | kModReadonly | kModAbstract, 0, 16 | 8 | 32 | 64 | 128},
        {kModFinal | kModVolatile | kModTransient | kModSynchronized | kModNative, 0,
         16 | 0x100 | 0x200 | 0x400 | 0x800 | 0x1000},
    };
    for (const Case& c : cases) {
        SourceSymbol s("m", std::nullopt);
        s.flags = c.modifiers;
        EXPECT_EQ(MemberAccessAndFlags(s), std::make_pair(c.access, c.flags)) << c.modifiers;
    }
    SourceSymbol p("p", std::nullopt);
    p.flags = kModInOut;
    EXPECT_EQ(ParameterDirectionOf(p, 0), 3);
    p.flags = kModOut;
    EXPECT_EQ(ParameterDirectionOf(p, 4), 6);
}

} // namespace
} // namespace qm
