// Member records: record forms old and new, text forms, comparisons and list operations.
#include "Fakes.h"
#include "tests/support/ModelFixture.h"

#include "model/Members.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qm::test {
namespace {

using kest::Cell;
using kest::nil;

class MembersTest : public ModelTest {};

TEST_F(MembersTest, AttributeRecordWithAndWithoutId) {
    MasterAttribute a;
    Guid made = a.guid;
    EXPECT_EQ(a.Persist(read("(\"n\" \"int\" \"0..1\" \"vector\" \"5\" \"c\" 2 17)")), nil);
    EXPECT_TRUE(a.guid == made);
    EXPECT_EQ(a.name, "n");
    EXPECT_EQ(a.container, "vector");
    EXPECT_EQ(a.access, 2);
    EXPECT_EQ(a.mode, 17);

    MasterAttribute b;
    Cell* rest = b.Persist(read("(\"n\" \"t\" \"\" \"\" \"\" \"\" 3 0 \"attr-id\" extra)"));
    EXPECT_TRUE(b.guid == "attr-id");
    EXPECT_EQ(print(rest), "(extra)");
    EXPECT_EQ(print(b.Persist(nullptr)), "(\"n\" \"t\" \"\" \"\" \"\" \"\" 3 0 \"attr-id\")");
}

// Members made for reading start without an id: the record's id text is
// taken; a record with none (no id cell, nil, "", an old-form number) gets a
// new id, so that no member is left without one.
TEST_F(MembersTest, MembersMadeForReadingTakeTheRecordsIdOrANewOne) {
    struct Case {
        const char* record;
        const char* id; // null: a new one
    } cases[] = {
        {"(\"n\" \"t\" \"\" \"\" \"\" \"\" 3 0 \"attr-id\")", "attr-id"},
        {"(\"n\" \"t\" \"\" \"\" \"\" \"\" 3 0)", nullptr},
        {"(\"n\" \"t\" \"\" \"\" \"\" \"\" 3 0 nil)", nullptr},
        {"(\"n\" \"t\" \"\" \"\" \"\" \"\" 3 0 \"\")", nullptr},
        {"(\"n\" \"t\" \"\" \"\" \"\" \"\" 3 0 12)", nullptr},
    };
    std::vector<std::string> fresh;
    for (const Case& c : cases) {
        MasterAttribute a{Guid::FromText{""}};
        a.Persist(read(c.record));
        EXPECT_FALSE(a.guid.IsEmpty()) << c.record;
        if (c.id != nullptr)
            EXPECT_TRUE(a.guid == c.id) << c.record;
        else
            fresh.push_back(a.guid.Text());
    }
    MasterMethod m{Guid::FromText{""}};
    m.Persist(read("(\"f\" \"\" \"\" 1 0 () ())"));
    fresh.push_back(m.guid.Text());
    MasterType t{Guid::FromText{""}};
    t.Persist(read("(\"T\" \"\" \"\" 3 2 0 nil nil)"));
    fresh.push_back(t.guid.Text());
    MasterException e{Guid::FromText{""}};
    e.Persist(read("(\"E\" \"\" nil \"\")"));
    fresh.push_back(e.guid.Text());
    std::sort(fresh.begin(), fresh.end());
    EXPECT_EQ(std::adjacent_find(fresh.begin(), fresh.end()), fresh.end());
    for (const std::string& id : fresh)
        EXPECT_FALSE(id.empty());
}

TEST_F(MembersTest, MethodRecordForms) {
    const char* full =
        "(\"draw\" \"void\" \"c\" 3 8 ((\"x\" \"int\" \"0\" 1) (\"y\" \"int\" \"\" 3)) "
        "((\"IOError\" 0) (\"ctx\" 1)) \"m-id\" \"return;\")";
    MasterMethod m;
    m.Persist(read(full));
    EXPECT_EQ(print(m.Persist(nullptr)), full);
    EXPECT_EQ(m.ParameterNames(","), "x,y");
    ASSERT_EQ(m.others.size(), 2u);
    EXPECT_EQ(m.others[1]->kind, 1);

    MasterMethod older;
    older.Persist(read("(\"f\" \"\" \"\" 1 0 () () \"old-id\")"));
    EXPECT_EQ(older.code, "");
    EXPECT_TRUE(older.guid == "old-id");

    // A seventh cell that is neither a list nor nil is the id.
    MasterMethod noOthers;
    noOthers.Persist(read("(\"f\" \"\" \"\" 1 0 () \"id7\" \"body\")"));
    EXPECT_TRUE(noOthers.guid == "id7");
    EXPECT_TRUE(noOthers.others.empty());
    EXPECT_EQ(noOthers.code, "body");
}

TEST_F(MembersTest, TypeAndExceptionRecords) {
    const char* type = "(\"Color\" \"enum Color\" \"\" 3 2 0 ((\"Red\" \"\" \"1\" 0)) \"t-id\")";
    MasterType t;
    t.Persist(read(type));
    EXPECT_EQ(print(t.Persist(nullptr)), type);
    EXPECT_EQ(t.elements.size(), 1u);
    const char* exception = "(\"Oops\" \"bad\" ((\"code\" \"int\" \"\" 0)) \"e-id\")";
    MasterException e;
    e.Persist(read(exception));
    EXPECT_EQ(print(e.Persist(nullptr)), exception);
}

TEST_F(MembersTest, MalformedMemberRecordsAreFormatErrors) {
    struct Case {
        int kind; // 0 attribute, 1 method, 2 type, 3 exception
        const char* text;
        const char* message;
    } cases[] = {
        {0, "(\"n\" \"t\" \"\" \"\" \"\" \"\" 3)", "bad attribute record: ends before mode"},
        {0, "(\"n\" 5 \"\" \"\" \"\" \"\" 3 0)", "bad attribute record: string expected for type"},
        {0, "(\"n\" \"\" \"\" \"\" \"\" \"\" 3 0 1.5)",
         "bad attribute record: id text expected for id"},
        {0, "x", "bad attribute record: list expected"},
        {1, "(\"f\" \"\" \"\" 1 0 x)", "bad method record: list expected for parameters"},
        {1, "(\"f\" \"\" \"\" 1 0 ((\"p\")))", "bad parameter record: ends before type"},
        {1, "(\"f\" \"\" \"\" 1 0 (5))", "bad parameter record: list expected"},
        {1, "(\"f\" \"\" \"\" 1 0 () ((\"o\" \"k\")))",
         "bad method other record: integer expected for kind"},
        {1, "(\"f\" \"\" \"\" 1 0 () () \"id\" 5)", "bad method record: string expected for code"},
        {2, "(\"T\" \"\" \"\" 3 2 0)", "bad type record: ends before elements"},
        {3, "(\"E\" \"\" \"members\")", "bad exception record: list expected for members"},
    };
    for (const Case& c : cases) {
        MasterAttribute a;
        a.name = "kept";
        MasterMethod m;
        MasterType t;
        MasterException e;
        Cell* list = read(c.text);
        std::string message = failure([&] {
            switch (c.kind) {
            case 0:
                a.Persist(list);
                break;
            case 1:
                m.Persist(list);
                break;
            case 2:
                t.Persist(list);
                break;
            default:
                e.Persist(list);
                break;
            }
        });
        EXPECT_EQ(message, c.message) << c.text;
        EXPECT_EQ(a.name, "kept");
    }
}

TEST_F(MembersTest, TextForms) {
    struct {
        int access;
        const char* word;
        char sign;
    } accesses[] = {{0, "private", '-'}, {1, "private", '-'}, {2, "protected", '#'},
                    {3, "public", '+'},  {4, "", ' '},        {-1, "", ' '}};
    for (auto& c : accesses) {
        EXPECT_STREQ(AccessWord(c.access), c.word);
        EXPECT_EQ(AccessSign(c.access), c.sign);
    }
    EXPECT_EQ(AnnotateMark(0x10), '@');
    EXPECT_EQ(AnnotateMark(0xEF), ' ');
    EXPECT_EQ(ModifierWords(0xB), "virtual static const ");
    EXPECT_EQ(ModifierWords(0x2), "const ");
    EXPECT_EQ(ModifierWords(0x4), "");
}

TEST_F(MembersTest, ShownFilters) {
    struct Case {
        int access;
        int mode;
        int filter;
        bool attributeShown;
        bool methodShown;
    } cases[] = {
        {3, 0x10, 0x10, true, true},   // filter does not apply without 0x1
        {3, 0x10, 0x11, false, true},  // annotated public attribute hidden
        {3, 0x00, 0x11, true, true},   // not annotated: 0x1 does not apply
        {2, 0x00, 0x22, false, true},  // protected, other attributes
        {0, 0x00, 0x42, false, true},  // access 0 counts as private
        {4, 0x00, 0x72, true, true},   // package is never hidden
        {3, 0x10, 0x104, true, false}, // annotated public method hidden
        {1, 0x00, 0x408, true, false}, // private other method hidden
        {2, 0x00, 0x204 | 0x1, true, true},
    };
    for (const Case& c : cases) {
        MasterAttribute a;
        a.access = c.access;
        a.mode = c.mode;
        MasterMethod m;
        m.access = c.access;
        m.mode = c.mode;
        EXPECT_EQ(a.IsShown(c.filter), c.attributeShown) << c.filter;
        EXPECT_EQ(m.IsShown(c.filter), c.methodShown) << c.filter;
    }
}

TEST_F(MembersTest, RemoveDuplicatesKeepsTheLastOfEachGroup) {
    AttributeList list;
    for (const char* name : {"a", "b", "a"}) {
        auto attribute = std::make_unique<MasterAttribute>();
        attribute->name = name;
        list.push_back(std::move(attribute));
    }
    MasterAttribute* secondA = list[2].get();
    RemoveDuplicates(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->name, "b");
    EXPECT_EQ(list[1].get(), secondA);

    // Methods by name and parameter names; by their types as well when
    // asked, so that an overload whose parameter differs only in its type
    // stays.
    struct Signature {
        std::vector<std::string> names;
        const char* type;
    };
    const Signature signatures[] = {
        {{"x"}, ""}, {{"x", "y"}, ""}, {{"x"}, ""}, {{"x"}, "char"}, {{"x"}, "String"}};
    for (bool byTypes : {false, true}) {
        MethodList methods;
        for (const Signature& signature : signatures) {
            auto method = std::make_unique<MasterMethod>();
            method->name = "f";
            for (const std::string& name : signature.names)
                method->parameters.push_back(
                    std::make_unique<Parameter>(Parameter{name, signature.type, "", 1}));
            methods.push_back(std::move(method));
        }
        RemoveDuplicates(methods, byTypes);
        ASSERT_EQ(methods.size(), byTypes ? 4u : 2u);
        EXPECT_EQ(methods[0]->ParameterNames(","), "x,y");
        EXPECT_EQ(methods.back()->parameters[0]->type, "String");
        if (byTypes) {
            EXPECT_EQ(methods[2]->parameters[0]->type, "char");
        }
    }
}

TEST_F(MembersTest, CopiesKeepIdsAndClonesMakeNewOnes) {
    MethodList source;
    auto method = std::make_unique<MasterMethod>();
    method->name = "run";
    method->parameters.push_back(std::make_unique<Parameter>(Parameter{"p", "int", "", 1}));
    method->others.push_back(std::make_unique<MethodOther>());
    source.push_back(std::move(method));

    MethodList copy;
    copy.push_back(std::make_unique<MasterMethod>());
    CopyList(copy, source);
    ASSERT_EQ(copy.size(), 1u);
    EXPECT_TRUE(copy[0]->guid == source[0]->guid);
    EXPECT_NE(copy[0].get(), source[0].get());
    EXPECT_NE(copy[0]->parameters[0].get(), source[0]->parameters[0].get());
    EXPECT_TRUE(ListsEqual(copy, source));
    copy[0]->parameters[0]->direction = 2;
    EXPECT_FALSE(ListsEqual(copy, source));

    std::unique_ptr<ModelObject> clone = source[0]->Clone();
    auto* cloned = dynamic_cast<MasterMethod*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_FALSE(cloned->guid == source[0]->guid);
    EXPECT_TRUE(cloned->IsEqual(*source[0]));
    // Every member record copies through the same pattern; assigning from
    // another class, or from itself, changes nothing.
    MasterType type;
    type.name = "T";
    auto typeCopy = CloneOf(type);
    EXPECT_EQ(typeCopy->name, "T");
    EXPECT_FALSE(typeCopy->guid == type.guid);
    MasterException exception;
    exception.name = "E";
    EXPECT_EQ(dynamic_cast<MasterException*>(exception.Clone().get())->name, "E");
    MasterAttribute attribute;
    attribute.name = "kept";
    attribute.Assign(source[0].get());
    attribute.Assign(&attribute);
    EXPECT_EQ(attribute.name, "kept");
}

TEST_F(MembersTest, PropsExchangeWholeRecords) {
    MasterAttribute a, b;
    a.name = "before";
    b.name = "after";
    Cell* props = a.Props(nullptr, &b, nullptr, false);
    MasterAttribute target;
    target.Props(nullptr, nullptr, props, true);
    EXPECT_EQ(target.name, "after");
    EXPECT_TRUE(target.guid == b.guid);
    target.Props(nullptr, nullptr, props, false);
    EXPECT_EQ(target.name, "before");
    EXPECT_EQ(failure([&] { target.Props(nullptr, nullptr, read("(x)"), false); }),
              "bad property record: list expected for undo");
}

TEST_F(MembersTest, ReplaceTextCountsTheListedFields) {
    MasterAttribute a;
    a.name = a.type = a.cardinality = a.container = a.value = a.comment = "Foo";
    EXPECT_EQ(a.ReplaceText("Foo", "Bar", ReplaceAndRecord), 5);
    EXPECT_EQ(a.value, "Foo");
    EXPECT_EQ(a.name, "Bar");

    MasterMethod m;
    m.name = m.returnType = m.comment = m.code = "x";
    m.parameters.push_back(std::make_unique<Parameter>(Parameter{"x", "x", "x", 0}));
    m.others.push_back(std::make_unique<MethodOther>());
    m.others[0]->name = "x";
    EXPECT_EQ(m.ReplaceText("x", "y", 0), 7);
    EXPECT_EQ(m.name, "x"); // counted only
    EXPECT_EQ(m.ReplaceText("X", "y", ReplaceMatchCase), 0);
}

} // namespace
} // namespace qm::test
