// Object ids, the id trees and maps, the global read map and the model object root.
#include "tests/support/ModelFixture.h"

#include "model/GuidMap.h"
#include "model/ModelObject.h"
#include "platform/Registry.h"

#include <cstring>
#include <set>
#include <string>

namespace qm::test {
namespace {

bool FakeHost(uint8_t address[4]) {
    const uint8_t bytes[4] = {10, 0, 2, 15};
    std::memcpy(address, bytes, 4);
    return true;
}

bool NoHost(uint8_t[4]) {
    return false;
}

uint32_t DigitsValue(const char* text, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        char c = text[i] == ' ' ? '^' : text[i];
        value = value * 94 + static_cast<uint32_t>(c - 33);
    }
    return value;
}

class GuidTest : public ModelTest {
  protected:
    GuidTest() {
        saved = GuidGenerator();
        GuidGenerator() = GuidGeneratorState{};
        SetHostAddressSource(FakeHost);
    }
    ~GuidTest() override {
        GuidGenerator() = saved;
        SetHostAddressSource(nullptr);
    }
    std::string Stored(const char* name) {
        Registry registry(RegistryRoot::CurrentUser);
        std::string text;
        RegStringValue(registry, GuidRegistryKey, name, text, false);
        return text;
    }
    void Store(const char* name, const std::string& value) {
        Registry registry(RegistryRoot::CurrentUser);
        std::string text = value;
        RegStringValue(registry, GuidRegistryKey, name, text, true);
        ASSERT_TRUE(registry.Flush());
    }
    GuidGeneratorState saved;
};

TEST_F(GuidTest, ManyIdsAreFifteenPrintableCharactersWithoutCaret) {
    SetGuidStoreMode(GuidNoStore);
    std::set<std::string> distinct;
    for (int i = 0; i < 100000; ++i) {
        Guid id;
        ASSERT_EQ(std::strlen(id.Text()), 15u);
        ASSERT_EQ(std::strchr(id.Text(), '^'), nullptr);
        for (const char* c = id.Text(); *c != '\0'; ++c)
            ASSERT_TRUE(*c >= ' ' && *c <= '~');
        distinct.insert(id.Text());
    }
    // Within one second the sequence alone tells ids apart.
    EXPECT_GE(distinct.size(), 99000u);
    // Mode 3 writes both values when the next id is made.
    SetGuidStoreMode(GuidStoreAtExit);
    Guid last;
    EXPECT_EQ(Stored(GuidSequenceValue), std::to_string(GuidGenerator().sequence));
    EXPECT_EQ(Stored(GuidHostValue), std::to_string(GuidGenerator().host));
    EXPECT_EQ(GuidGenerator().sequence, 100001);
}

TEST_F(GuidTest, SequenceDigitsGoLeastSignificantFirstAndWrap) {
    SetGuidStoreMode(GuidNoStore);
    Guid first;
    EXPECT_EQ(std::string(first.Text(), 3), "\"!!"); // sequence 1: codes 34, 33, 33
    GuidGenerator().sequence = 60;
    Guid caret; // sequence 61 is the digit '^', written as a blank
    EXPECT_EQ(std::string(caret.Text(), 3), " !!");
    GuidGenerator().sequence = GuidSequenceLimit - 1;
    Guid top;
    EXPECT_EQ(std::string(top.Text(), 3), "~~~");
    Guid wrapped;
    EXPECT_EQ(std::string(wrapped.Text(), 3), "!!!");
    EXPECT_EQ(GuidGenerator().sequence, 0);
}

// A run that keeps no sequence (a batch run) and reads a project made by an
// earlier run of the same host within the same second must not give a new
// object one of the project's ids: a new id follows every sequence read with
// its host, whether read before the run made its first id or after.
TEST_F(GuidTest, ANewIdFollowsTheSequencesReadWithItsHost) {
    SetGuidStoreMode(GuidNoStore);
    const std::string own = Guid().Text();
    auto withSequence = [](std::string text, int sequence, char host) {
        text[0] = char(33 + sequence % 94);
        text[1] = char(33 + sequence / 94 % 94);
        text[2] = char(33 + sequence / (94 * 94));
        if (host != 0)
            text[9] = host == text[9] ? char(host + 1) : host;
        return text;
    };
    GuidGenerator() = GuidGeneratorState{};
    SetGuidStoreMode(GuidNoStore);
    Guid read(Guid::FromText{withSequence(own, 500, 0).c_str()});
    Guid other(Guid::FromText{withSequence(own, 900, '#').c_str()});
    Guid first;
    EXPECT_EQ(GuidGenerator().sequence, 501);
    EXPECT_NE(std::string(first.Text()), std::string(read.Text()));
    Guid later(Guid::FromText{withSequence(own, 700, 0).c_str()});
    Guid otherLater(Guid::FromText{withSequence(own, 800, '#').c_str()});
    Guid second;
    EXPECT_EQ(GuidGenerator().sequence, 701);
}

TEST_F(GuidTest, StoredSequenceAndHostAreReadBeforeTheFirstId) {
    Store(GuidSequenceValue, "830583");
    Store(GuidHostValue, "123456789");
    SetGuidStoreMode(GuidStoreEveryId);
    Guid id;
    EXPECT_EQ(std::string(id.Text(), 3), "!!!");
    EXPECT_EQ(GuidGenerator().host, 123456789);
    EXPECT_EQ(DigitsValue(id.Text() + 9, 6), 123456789u);
    // Mode 0 writes back after every id.
    EXPECT_EQ(Stored(GuidSequenceValue), "0");
    EXPECT_EQ(Stored(GuidHostValue), "123456789");
}

TEST_F(GuidTest, MalformedStoredValuesStartFromZero) {
    const char* cases[][2] = {{"abc", "x"}, {"99999999", "12abc"}, {"-5", ""}, {"", "0"}};
    for (auto& c : cases) {
        GuidGenerator() = GuidGeneratorState{};
        Store(GuidSequenceValue, c[0]);
        Store(GuidHostValue, c[1]);
        SetGuidStoreMode(GuidNoStore);
        Guid id;
        EXPECT_EQ(GuidGenerator().sequence, 1) << c[0];
        // No stored host: the fake address 10.0.2.15 with its zero byte made random.
        uint32_t host = static_cast<uint32_t>(GuidGenerator().host);
        EXPECT_EQ(host & 0xFF, 10u) << c[1];
        EXPECT_EQ(host >> 16, 0x0F02u) << c[1];
    }
}

TEST_F(GuidTest, NegativeStoredHostAndFailedLookUpGiveNonNegativeHosts) {
    Store(GuidHostValue, "-2147483648");
    SetGuidStoreMode(GuidNoStore);
    Guid a;
    EXPECT_GE(GuidGenerator().host, 0);
    GuidGenerator() = GuidGeneratorState{};
    Store(GuidHostValue, "-77");
    Guid b;
    EXPECT_EQ(GuidGenerator().host, 77);
    GuidGenerator() = GuidGeneratorState{};
    Store(GuidHostValue, "");
    SetHostAddressSource(NoHost);
    Guid c;
    EXPECT_GE(GuidGenerator().host, 0);
    EXPECT_EQ(std::strlen(c.Text()), 15u);
}

TEST_F(GuidTest, ReadEveryIdModeRereadsTheSequence) {
    Store(GuidSequenceValue, "41");
    SetGuidStoreMode(GuidReadEveryId);
    Guid a;
    EXPECT_EQ(GuidGenerator().sequence, 42);
    Store(GuidSequenceValue, "7");
    Guid b;
    EXPECT_EQ(GuidGenerator().sequence, 8);
    EXPECT_EQ(Stored(GuidSequenceValue), "7"); // never written in this mode
}

TEST(GuidText, AssignCopiesAtMostFifteenCharacters) {
    Guid id(Guid::FromText{"0123456789abcdefXYZ"});
    EXPECT_STREQ(id.Text(), "0123456789abcde");
    id.SetText(nullptr);
    EXPECT_TRUE(id.IsEmpty());
    id.Assign("short");
    EXPECT_TRUE(id == "short");
    EXPECT_FALSE(id == "shorter");
}

TEST(GuidTreeTest, EmptyTreeLookupCreatesNothingButSubscriptDoes) {
    GuidTree tree(GuidTree::TextKeys);
    ModelObject* out = reinterpret_cast<ModelObject*>(&tree);
    EXPECT_FALSE(tree.Lookup("abc", out));
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(tree["abc"], nullptr);
    EXPECT_FALSE(tree.IsEmpty());
    EXPECT_FALSE(tree.Lookup("abc", out)); // present, but with no object
    EXPECT_EQ(tree.NodeCount(), 1u);
}

TEST(GuidTreeTest, ManyKeysSpanSeveralBlocksInBothModes) {
    GuidTree texts(GuidTree::TextKeys);
    GuidTree numbers(GuidTree::IntegerKeys);
    ModelObject a(Guid::FromText{"a"});
    for (int i = 0; i < 300; ++i) {
        texts.SetAt(std::to_string(i * 7919 % 1000).c_str(), &a);
        numbers.SetAt(i * 7919 % 1000 - 500, &a);
    }
    EXPECT_EQ(texts.NodeCount(), 300u);
    EXPECT_EQ(numbers.NodeCount(), 300u);
    for (int i = 0; i < 300; ++i) {
        ModelObject* out = nullptr;
        EXPECT_TRUE(texts.Lookup(std::to_string(i * 7919 % 1000).c_str(), out));
        EXPECT_TRUE(numbers.Lookup(i * 7919 % 1000 - 500, out));
    }
    // Extreme keys compare without overflow.
    numbers.SetAt(INT32_MIN, &a);
    numbers.SetAt(INT32_MAX, &a);
    ModelObject* out = nullptr;
    EXPECT_TRUE(numbers.Lookup(INT32_MIN, out));
    EXPECT_TRUE(numbers.Lookup(INT32_MAX, out));
    // Keys of the other mode find nothing.
    EXPECT_EQ(texts.FindNode(5, true), nullptr);
    EXPECT_EQ(numbers.GetNode("5"), nullptr);
    texts.RemoveAll();
    EXPECT_TRUE(texts.IsEmpty());
    EXPECT_EQ(texts.NodeCount(), 0u);
}

// Copied objects hold interned id texts and callers keep node pointers while
// the tree grows: neither moves, however many keys follow.
TEST(GuidTreeTest, NodesAndInternedTextsStayPutAsTheTreeGrows) {
    GuidTree texts(GuidTree::TextKeys);
    GuidTree numbers(GuidTree::IntegerKeys);
    ModelObject a(Guid::FromText{"a"});
    const char* interned = texts.GetNode("first id");
    GuidTree::Node* textNode = texts.FindNode("first id", false);
    GuidTree::Node* numberNode = numbers.FindNode(7, true);
    numberNode->value = &a;
    ModelObject*& slot = texts["first id"];
    // Generated ids share their last six characters (the host digits).
    for (int i = 0; i < 50000; ++i) {
        const std::string id = std::to_string(1000000000 + i).substr(1) + "H0st#!";
        texts.SetAt(id.c_str(), &a);
        numbers.SetAt(i + 100, &a);
    }
    EXPECT_EQ(texts.GetNode("first id"), interned);
    EXPECT_EQ(texts.FindNode("first id", false), textNode);
    EXPECT_EQ(numbers.FindNode(7, false), numberNode);
    EXPECT_EQ(&texts["first id"], &slot);
    EXPECT_STREQ(interned, "first id");
    ModelObject* out = nullptr;
    EXPECT_TRUE(numbers.Lookup(7, out));
    EXPECT_EQ(out, &a);
    EXPECT_EQ(texts.NodeCount(), 50001u);
}

TEST(GuidTreeTest, LongTextKeysAreTheirFirstFifteenCharacters) {
    GuidTree tree(GuidTree::TextKeys);
    ModelObject a(Guid::FromText{"a"});
    tree.SetAt("0123456789abcdefgh", &a);
    ModelObject* out = nullptr;
    EXPECT_TRUE(tree.Lookup("0123456789abcde", out));
    const char* interned = tree.GetNode("0123456789abcde");
    EXPECT_STREQ(interned, "0123456789abcde");
    EXPECT_EQ(interned, tree.GetNode("0123456789abcdeZZ"));
}

using GuidMapTest = ModelTest;

TEST_F(GuidMapTest, RemovedObjectIsNotFoundButItsNodeStays) {
    GuidMap map;
    ModelObject object;
    map.Add(&object);
    EXPECT_EQ(map.Lookup(object.guid.Text()), &object);
    const char* interned = map.Find(object.guid.Text());
    map.Remove(&object);
    ModelObject* out = &object;
    EXPECT_FALSE(map.Lookup(object.guid.Text(), out, false));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(failure([&] { map.Lookup(object.guid.Text(), out, true); }),
              "GUID map lookup failed");
    EXPECT_EQ(map.Find(object.guid.Text()), interned);
}

TEST_F(GuidMapTest, RemoveLeavesAnotherObjectsEntryUnderTheSameId) {
    GuidMap map;
    ModelObject first(Guid::FromText{"shared-id"});
    ModelObject second(Guid::FromText{"shared-id"});
    map.Add(&first);
    map.Add(&second); // the later registration holds the entry
    map.Remove(&first);
    EXPECT_EQ(map.Lookup("shared-id"), &second);
    map.Remove(&second);
    ModelObject* out = nullptr;
    EXPECT_FALSE(map.Lookup("shared-id", out, false));
}

// A batch run starts the id sequence again, so an object it makes can be
// given the id of an object an earlier run made in the same second. The new
// object takes another id; the object that held it keeps its entry.
TEST_F(GuidMapTest, ANewObjectNeverHidesTheHolderOfItsId) {
    GuidMap map;
    ModelObject held;
    map.Add(&held);
    ModelObject fresh(Guid::FromText{held.guid.Text()});
    map.AddNew(&fresh);
    EXPECT_EQ(map.Lookup(held.guid.Text()), &held);
    EXPECT_FALSE(fresh.guid == held.guid.Text());
    EXPECT_EQ(map.Lookup(fresh.guid.Text()), &fresh);
    const std::string kept = fresh.guid.Text();
    map.AddNew(&fresh); // entered again, it keeps its id
    EXPECT_EQ(kept, fresh.guid.Text());

    // The sequence wound back, as a new run finds it: the next object made
    // would repeat the last id when the clock has not moved on.
    ModelObject first;
    map.AddNew(&first);
    GuidGenerator().sequence -= 1;
    ModelObject second;
    map.AddNew(&second);
    EXPECT_EQ(map.Lookup(first.guid.Text()), &first);
    EXPECT_EQ(map.Lookup(second.guid.Text()), &second);
    EXPECT_FALSE(first.guid == second.guid.Text());
}

TEST_F(GuidMapTest, IntegerAndTextKeysLiveInTheirOwnTrees) {
    GuidMap map;
    ModelObject object(Guid::FromText{"42"});
    map.Register(0, "42", true, &object);
    ModelObject* out = nullptr;
    EXPECT_FALSE(map.Lookup(42, out, false));
    EXPECT_TRUE(map.Lookup("42", out, false));

    ModelObject old;
    map.Register(17, nullptr, false, &old);
    EXPECT_TRUE(map.Lookup(17, out, false));
    EXPECT_EQ(out, &old);
    EXPECT_EQ(map.Lookup(old.guid.Text()), &old);
    EXPECT_EQ(map.At(17), &old);
    EXPECT_EQ(map.At(18), nullptr);
}

TEST_F(GuidMapTest, RegisterReadRenamesTakenIdsWhileThePasteIsRead) {
    GuidMap map;
    ModelObject existing(Guid::FromText{"pasted-id"});
    map.Add(&existing);
    GuidTree readMap(GuidTree::TextKeys);
    GuidScope pasting(&map, nullptr);
    pasting.readMap = &readMap;
    ModelObject pasted(Guid::FromText{"pasted-id"});
    map.RegisterRead(0, "pasted-id", true, &pasted, pasted.guid, pasting.readMap);
    EXPECT_FALSE(pasted.guid == "pasted-id");
    EXPECT_EQ(map.Lookup(pasted.guid.Text()), &pasted);
    EXPECT_EQ(pasting.Lookup("pasted-id"), &pasted); // through the read map
    EXPECT_EQ(map.Lookup("pasted-id"), &existing);   // the map itself keeps the old owner
    pasting.ForgetReadAs("pasted-id", &existing);    // another object's entry stays
    EXPECT_EQ(pasting.Lookup("pasted-id"), &pasted);
    pasting.ForgetReadAs("pasted-id", &pasted);
    EXPECT_EQ(pasting.Lookup("pasted-id"), &existing);

    // Outside a paste a taken id still gets a new id, and no read map is touched.
    ModelObject again(Guid::FromText{"pasted-id"});
    map.RegisterRead(0, "pasted-id", true, &again, again.guid);
    EXPECT_FALSE(again.guid == "pasted-id");
    GuidScope plain(&map, nullptr);
    EXPECT_EQ(plain.Lookup("pasted-id"), &existing);

    // A free id is registered as it is.
    ModelObject fresh(Guid::FromText{"free-id"});
    map.RegisterRead(0, "free-id", true, &fresh, fresh.guid);
    EXPECT_TRUE(fresh.guid == "free-id");
    EXPECT_EQ(map.Lookup("free-id"), &fresh);
}

TEST_F(GuidMapTest, ScopesSelectTheTemplateMapForToolModels) {
    GuidMap project, templ;
    GuidScope scope(&project, &templ, true);
    EXPECT_EQ(scope.current, &templ);
    scope.Select(false);
    EXPECT_EQ(scope.current, &project);
    GuidScope explicitScope(&project, &templ, &templ);
    EXPECT_EQ(explicitScope.current, &templ);
}

TEST_F(GuidMapTest, PointerListsAndMergedIdLists) {
    ModelObject a, b, c;
    std::vector<ModelObject*> ab{&a, &b}, ba{&b, &a}, ac{&a, &c}, abc{&a, &b, &c};
    EXPECT_TRUE(SamePointerLists(ab, ba));
    EXPECT_FALSE(SamePointerLists(ab, ac));
    EXPECT_FALSE(SamePointerLists(ab, abc));
    std::vector<Guid> merged;
    MergeGuidLists(ab, ac, merged);
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_TRUE(merged[0] == a.guid);
    EXPECT_TRUE(merged[1] == b.guid);
    EXPECT_TRUE(merged[2] == c.guid);
}

TEST_F(GuidMapTest, RootMarkDetachAndClone) {
    GuidMap map;
    GuidScope scope(&map, nullptr);
    ModelObject object;
    map.Add(&object);
    object.Mark(1, 0x2, 0);
    EXPECT_FALSE(object.IsMarked());
    object.Mark(1, 0x1, 0);
    EXPECT_TRUE(object.IsMarked());
    object.Mark(0, 0x3, 0);
    EXPECT_FALSE(object.IsMarked());

    Guid before = object.guid;
    object.Detach(&scope);
    EXPECT_TRUE(object.IsDetached());
    EXPECT_TRUE(object.guid == before);
    EXPECT_EQ(map.Lookup(before.Text()), nullptr);

    EXPECT_EQ(object.Clone(), nullptr);
    int kind = -1;
    EXPECT_EQ(object.GetPropertyTarget(&kind), nullptr);
    EXPECT_EQ(kind, PtNone);
    EXPECT_EQ(object.Props(&scope, &object, nullptr, false), nullptr);

    auto owned = std::make_unique<ModelObject>();
    map.Add(owned.get());
    Guid ownedId = owned->guid;
    Discard(std::move(owned), &scope);
    EXPECT_EQ(map.Lookup(ownedId.Text()), nullptr);
    Discard(nullptr, &scope);
    EXPECT_STREQ(IdOf(nullptr), "");
}

TEST(KindPredicates, Ranges) {
    EXPECT_FALSE(IsDiagramKind(1));
    EXPECT_TRUE(IsDiagramKind(0));
    EXPECT_TRUE(IsDiagramKind(11));
    EXPECT_TRUE(IsDiagramKind(17));
    EXPECT_FALSE(IsDiagramKind(18));
    EXPECT_FALSE(IsDiagramKind(10));
    EXPECT_FALSE(IsBuiltinTool(-1));
    EXPECT_TRUE(IsBuiltinTool(0));
    EXPECT_TRUE(IsBuiltinTool(23));
    EXPECT_FALSE(IsBuiltinTool(24));
    EXPECT_FALSE(IsUserToolKind(99));
    EXPECT_TRUE(IsUserToolKind(100));
    EXPECT_FALSE(HasOwnFolder(0));
}

} // namespace
} // namespace qm::test
