// The row texts of the member lists and of the detail dialogs' lists.
#include "dialogs/sheets/MemberRows.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

Parameter* AddParameter(ParameterList& list, const char* name, const char* type) {
    auto parameter = std::make_unique<Parameter>();
    parameter->name = name;
    parameter->type = type;
    list.push_back(std::move(parameter));
    return list.back().get();
}

class SheetRowsTest : public ::testing::Test {
  protected:
    SheetRowsTest() { owner.name = "Owner"; }
    Master owner;
};

TEST_F(SheetRowsTest, AttributeRows) {
    struct Case {
        int access;
        int mode;
        const char* card;
        const char* expected;
    } cases[] = {
        {AccessPrivate, 0, "4", "-\tOwner::count : int x 4"},
        {0, 0, "", "-\tOwner::count : int   "},
        {AccessProtected, ModeStatic, "", "#\tOwner::count : int   "},
        {AccessPublic, ModeConst, "*", "+\tOwner::count : int x *"},
        {AccessPackage, 0, "", " \tOwner::count : int   "},
        {AccessPublic, ModeMacro, "4", "\tOwner::count = 42"},
    };
    for (const Case& c : cases) {
        MasterAttribute attribute;
        attribute.owner = &owner;
        attribute.name = "count";
        attribute.type = "int";
        attribute.value = "42";
        attribute.access = c.access;
        attribute.mode = c.mode;
        attribute.cardinality = c.card;
        EXPECT_EQ(FormatAttributeRow(attribute), c.expected);
    }
}

TEST_F(SheetRowsTest, MethodRows) {
    MasterMethod method;
    method.owner = &owner;
    method.name = "f";
    method.returnType = "void";
    method.access = AccessPublic;
    EXPECT_EQ(FormatMethodSignature(method, true), "+\tOwner::f () : void");
    AddParameter(method.parameters, "a", "int");
    AddParameter(method.parameters, "b", "char");
    method.mode = ModeStatic | ModeConst;
    auto other = std::make_unique<MethodOther>();
    other->name = "IoError";
    method.others.push_back(std::move(other));
    EXPECT_EQ(FormatMethodSignature(method, true),
              "+\tOwner::f (a: int, b: char) : void +Exception");
    auto context = std::make_unique<MethodOther>();
    context->kind = 1;
    method.others.push_back(std::move(context));
    method.access = AccessPrivate;
    EXPECT_EQ(FormatMethodSignature(method, true),
              "-\tOwner::f (a: int, b: char) : void +Exception +Context");
    // The code window's title has no access sign.
    EXPECT_EQ(FormatMethodSignature(method, false),
              "Owner::f (a: int, b: char) : void +Exception +Context");
    method.others.erase(method.others.begin());
    EXPECT_EQ(FormatMethodSignature(method, false), "Owner::f (a: int, b: char) : void +Context");
}

TEST_F(SheetRowsTest, TypeRows) {
    MasterType type;
    type.owner = &owner;
    type.name = "Color";
    type.access = AccessPublic;
    type.kind = TypeEnum;
    EXPECT_EQ(FormatTypeSignature(type, true), "+\tOwner::Color: ");
    AddParameter(type.elements, "red", "int");
    AddParameter(type.elements, "green", "int");
    EXPECT_EQ(FormatTypeSignature(type, true), "+\tOwner::Color: {red, green}");
    type.kind = TypeStruct;
    EXPECT_EQ(FormatTypeSignature(type, true), "+\tOwner::Color: {red: int, green: int}");
    type.kind = TypeSimple;
    type.definition = "unsigned long";
    EXPECT_EQ(FormatTypeSignature(type, true), "+\tOwner::Color: unsigned long");
    type.kind = 0;
    EXPECT_EQ(FormatTypeSignature(type, false), "Owner::Color: ");
}

TEST_F(SheetRowsTest, ExceptionAndDialogRows) {
    MasterException exception;
    exception.owner = &owner;
    exception.name = "Failure";
    EXPECT_EQ(FormatExceptionRow(exception), "Owner::Failure {}");
    AddParameter(exception.members, "code", "int");
    AddParameter(exception.members, "text", "string");
    EXPECT_EQ(FormatExceptionRow(exception), "Owner::Failure {code, text}");

    Parameter parameter;
    parameter.name = "n";
    parameter.type = "int";
    EXPECT_EQ(FormatParameterRow(parameter, 1), "n: int");
    EXPECT_EQ(FormatParameterRow(parameter, 2), "n: int");
    EXPECT_EQ(FormatParameterRow(parameter, 3), "n");
    MethodOther other;
    other.name = "Lock";
    EXPECT_EQ(FormatOtherRow(other), "Exception: Lock");
    other.kind = 1;
    EXPECT_EQ(FormatOtherRow(other), "Context: Lock");
}

TEST_F(SheetRowsTest, InheritedRowsComeFirstAndDisabled) {
    Master base;
    base.name = "Base";
    auto inherited = std::make_unique<MasterAttribute>();
    inherited->owner = &base;
    inherited->name = "id";
    inherited->type = "int";
    inherited->access = AccessProtected;
    base.attributes.push_back(std::move(inherited));
    auto own = std::make_unique<MasterAttribute>();
    own->owner = &owner;
    own->name = "x";
    own->type = "int";
    own->mode = ModeAnnotate;
    owner.attributes.push_back(std::move(own));
    int count = -1;
    std::vector<MemberRow> rows = MemberRows(MemberKind::Attribute, {&base}, owner, count);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(rows[0].text, "#\tBase::id : int   ");
    EXPECT_FALSE(rows[0].enabled);
    EXPECT_TRUE(rows[1].enabled);
    EXPECT_TRUE(rows[1].checked);
    // Inherited exceptions stay enabled in the list.
    auto exception = std::make_unique<MasterException>();
    exception->owner = &base;
    exception->name = "E";
    base.exceptions.push_back(std::move(exception));
    rows = MemberRows(MemberKind::Exception, {&base}, owner, count);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].enabled);
    EXPECT_EQ(count, 1);
}

} // namespace
} // namespace qm
