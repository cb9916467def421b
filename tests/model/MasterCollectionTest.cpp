// The masters collection: look-ups, reference counts, the masters record and
// the merging read of pastes.
#include "Fakes.h"
#include "tests/support/ModelFixture.h"

#include "model/GuidMap.h"
#include "model/MasterCollection.h"

#include "kernel/Channel.h"

#include <fstream>
#include <functional>
#include <set>
#include <sstream>

namespace qm::test {
namespace {

using kest::Cell;
using kest::nil;

class MasterCollectionTest : public ModelTest {
  protected:
    MasterCollectionTest() {
        templ.Register(10, nullptr, false, &standIn);
        templ.Register(12, nullptr, false, &classTool);
    }
    static std::string Fixture(const char* name) {
        std::ifstream in(std::string(QM_FIXTURES) + "/model/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string Names() const {
        std::string out;
        for (const auto& m : collection.Masters())
            out += m->name + " ";
        return out;
    }

    RecordingServices services;
    GuidMap project, templ;
    GuidScope scope{&project, &templ};
    FakeTool standIn{10}, classTool{12};
    MasterCollection collection;
};

TEST_F(MasterCollectionTest, FindOrCreateCountsReferences) {
    bool created = false;
    Master* a = collection.FindOrCreate(&project, 12, &classTool, "Shape", "geo", &created);
    EXPECT_TRUE(created);
    EXPECT_EQ(a->refCount, 1);
    EXPECT_EQ(project.Lookup(a->guid.Text()), a);
    Master* again = collection.FindOrCreate(&project, 12, &classTool, "Shape", "geo", &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(again, a);
    EXPECT_EQ(a->refCount, 2);
    EXPECT_EQ(collection.Count(), 1u);
    Master* loose = collection.FindOrCreate(&project, NoToolKind, nullptr, "Shape", "", &created);
    EXPECT_TRUE(created);
    EXPECT_NE(loose, a);
    EXPECT_EQ(collection.At(0), loose); // new masters go to the front
}

TEST_F(MasterCollectionTest, FindMasterMatchesNamespacesOnlyWhenGiven) {
    Master* geo = collection.FindOrCreate(&project, 12, &classTool, "Shape", "geo", nullptr);
    Master* ui = collection.FindOrCreate(&project, 12, &classTool, "Shape", "ui", nullptr);
    EXPECT_EQ(collection.FindMaster(12, "Shape", "geo"), geo);
    EXPECT_EQ(collection.FindMaster(12, "Shape", "ui"), ui);
    EXPECT_EQ(collection.FindMaster(12, "Shape", ""), ui); // the first in array order
    EXPECT_EQ(collection.FindMaster(12, "shape", ""), nullptr);
    EXPECT_EQ(collection.FindMaster(10, "Shape", ""), nullptr);
    EXPECT_EQ(collection.FindMasterInScopes(12, "Shape", "net", "geo"), geo);
    EXPECT_EQ(collection.FindMasterInScopes(12, "Shape", "", "geo"), ui);
    EXPECT_EQ(collection.FindByGuid(geo->guid.Text()), geo);
    EXPECT_EQ(collection.FindByGuid("nothing"), nullptr);
    EXPECT_TRUE(collection.Contains(geo));
    collection.Rename(geo, "Form");
    EXPECT_EQ(collection.FindMaster(12, "Form", "geo"), geo);
}

TEST_F(MasterCollectionTest, RemoveWithTheLastReferenceFlag) {
    Master* m = collection.FindOrCreate(&project, 12, &classTool, "A", "", nullptr);
    collection.FindOrCreate(&project, 12, &classTool, "A", "", nullptr);
    EXPECT_EQ(collection.Remove(m, true), nullptr);
    EXPECT_EQ(m->refCount, 1);
    EXPECT_TRUE(collection.Contains(m));
    std::unique_ptr<Master> taken = collection.Remove(m, true);
    EXPECT_EQ(taken.get(), m);
    EXPECT_FALSE(collection.Contains(m));
    EXPECT_EQ(collection.Remove(m, false), nullptr);
    Discard(std::move(taken), &scope);

    Master* n = collection.FindOrCreate(&project, 12, &classTool, "B", "", nullptr);
    collection.FindOrCreate(&project, 12, &classTool, "B", "", nullptr);
    taken = collection.Remove(n, false);
    EXPECT_EQ(taken.get(), n);
    EXPECT_EQ(n->refCount, 1);
    // Whatever the collection still holds it frees when it goes.
    collection.FindOrCreate(&project, 12, &classTool, "C", "", nullptr);
}

TEST_F(MasterCollectionTest, MastersRecordRoundTripsThroughThePrettyPrinter) {
    const std::string text = Fixture("masters.txt");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(collection.Persist(&scope, false, nullptr, read(text)), nil);
    EXPECT_EQ(Names(), "Shape Circle Loose ");
    EXPECT_EQ(collection.Masters()[2]->tool, nullptr);
    EXPECT_EQ(pretty(collection.Persist(&scope, false, nullptr, nullptr)), text);
}

// The masters record written one master at a time is the text the whole
// record pretty-prints to, for any number of masters, short names and
// long, names that fit beside the previous master or not.
TEST_F(MasterCollectionTest, WrittenRecordIsThePrettyPrintedRecord) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"A"},
        {"A", "B"},
        {"A", "B", "C"},
        {"Shape", "Circle", "Loose", "X", "Y"},
        {std::string(120, 'n'), "s", std::string(60, 'm'), "t"},
    };
    for (const auto& names : cases) {
        MasterCollection masters;
        for (const std::string& name : names)
            masters.FindOrCreate(&project, 12, &classTool, name, "ns", nullptr);
        const std::string whole = pretty(masters.Persist(&scope, false, nullptr, nullptr));
        kest::LocalChannel out;
        masters.WriteRecord(&scope, out.get());
        EXPECT_EQ(out.Text(), whole) << names.size() << " masters";
    }
}

// Masters read from records keep the record's id text; a record with an
// empty id, nil or an id number gets a new id of its own, found in the
// project's map, and no two masters share one.
TEST_F(MasterCollectionTest, ReadMastersKeepTheirIdOrGetANewOne) {
    const char* const tail = " 1 3 \"X\" \"\" \"\" \"\" \"\" \"\" 0 nil nil nil nil nil 12 \"\")";
    const std::string text = std::string("(masters (master \"m-kept-000001\"") + tail +
                             " (master \"\"" + tail + " (master nil" + tail + " (master 7" + tail +
                             ")";
    EXPECT_EQ(collection.Persist(&scope, false, nullptr, read(text)), nil);
    ASSERT_EQ(collection.Masters().size(), 4u);
    EXPECT_EQ(collection.Masters()[0]->guid, "m-kept-000001");
    std::set<std::string> ids;
    for (const auto& master : collection.Masters()) {
        EXPECT_FALSE(master->guid.IsEmpty());
        ids.insert(master->guid.Text());
    }
    EXPECT_EQ(ids.size(), 4u);
    for (size_t i : {0u, 1u, 2u})
        EXPECT_EQ(project.Lookup(collection.Masters()[i]->guid.Text()),
                  collection.Masters()[i].get())
            << i;
}

TEST_F(MasterCollectionTest, MergeWritesOnlyMarkedMasters) {
    collection.FindOrCreate(&project, 12, &classTool, "A", "", nullptr);
    Master* b = collection.FindOrCreate(&project, 12, &classTool, "B", "", nullptr);
    EXPECT_EQ(print(collection.Persist(&scope, true, nullptr, nullptr)), "(masters)");
    collection.MarkAll(0);
    b->Mark(1, 1, 0);
    Cell* written = collection.Persist(&scope, true, nullptr, nullptr);
    EXPECT_EQ(kest::listlength(written), 2);
    EXPECT_NE(print(written).find(" \"B\" "), std::string::npos);
    EXPECT_EQ(print(written).find(" \"A\" "), std::string::npos);
    collection.MarkAll(1);
    EXPECT_EQ(kest::listlength(collection.Persist(&scope, true, nullptr, nullptr)), 3);
}

TEST_F(MasterCollectionTest, PastedMasterThatExistsAddsNothingAndItsIdResolvesToTheExisting) {
    Master* shape = collection.FindOrCreate(&project, 12, &classTool, "Shape", "geo", nullptr);
    Guid shapeId = shape->guid;
    for (bool pasting : {false, true}) {
        GuidTree readMap(GuidTree::TextKeys);
        scope.readMap = pasting ? &readMap : nullptr;
        std::vector<Master*> added;
        // Once under another id (another project), once under its own (same project).
        for (std::string id : {std::string("foreign-shape"), std::string(shapeId.Text())}) {
            std::string text = "(masters (master \"" + kest::escapestr(id.c_str()) +
                               "\" 4 3 \"Shape\" \"\" \"\" \"\" \"geo\" \"\" 1 () () 12 \"\") "
                               "(master \"new-1\" 0 3 \"New" +
                               (id == "foreign-shape" ? "1" : "2") +
                               "\" \"\" \"\" \"\" \"\" \"\" 1 () () 12 \"\"))";
            ModelObject* stale = reinterpret_cast<ModelObject*>(&added);
            collection.Persist(&scope, true, &added, read(text));
            ModelObject* found = nullptr;
            EXPECT_TRUE(project.Lookup(id.c_str(), found, false));
            EXPECT_EQ(found, shape) << id;
            EXPECT_NE(found, stale);
            EXPECT_EQ(scope.Lookup(id.c_str()), shape) << id;
            EXPECT_EQ(collection.FindByGuid(shapeId.Text()), shape);
        }
        scope.readMap = nullptr;
        EXPECT_EQ(added.size(), 2u);
        for (Master* m : added)
            EXPECT_EQ(m->refCount, 0);
        for (Master* m : added)
            Discard(collection.Remove(m, false), &scope);
    }
    EXPECT_EQ(Names(), "Shape ");
    EXPECT_EQ(shape->refCount, 1);
    EXPECT_EQ(project.Lookup(shapeId.Text()), shape);
}

TEST_F(MasterCollectionTest, BadRecordsAddNothing) {
    collection.FindOrCreate(&project, 12, &classTool, "Kept", "", nullptr);
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"(master)", "masters sym expected"},
        {"5", "masters sym expected"},
        {"(masters (master \"good-1\" 0 3 \"G\" \"\" \"\" \"\" 1 () () 12 \"\") (master \"bad\"))",
         "bad master record: ends before reference count"},
        {"(masters (master \"good-2\" 0 3 \"G\" \"\" \"\" \"\" 1 () () 12 \"\") (mister))",
         "master sym expected"},
        {"(masters (master \"good-3\" 0 3 \"G\" \"\" \"\" \"\" 1 () () 12 \"\") 7)",
         "master sym expected"},
    };
    for (const Case& c : cases) {
        for (bool merge : {false, true}) {
            std::string message =
                failure([&] { collection.Persist(&scope, merge, nullptr, read(c.text)); });
            EXPECT_NE(message.find(c.message), std::string::npos) << c.text << " -> " << message;
            EXPECT_EQ(Names(), "Kept ");
            for (const char* id : {"good-1", "good-2", "good-3"})
                EXPECT_EQ(project.Lookup(id), nullptr);
        }
    }
}

TEST_F(MasterCollectionTest, BindToolsRebindsAndStandsInForMissingTools) {
    FakeTool oldClass(12), oldGone(40);
    Master* a = collection.FindOrCreate(&project, 12, &oldClass, "A", "", nullptr);
    Master* b = collection.FindOrCreate(&project, 40, &oldGone, "B", "", nullptr);
    Master* c = collection.FindOrCreate(&project, NoToolKind, nullptr, "C", "", nullptr);
    collection.BindTools(&templ);
    EXPECT_EQ(a->tool, &classTool);
    EXPECT_EQ(b->tool, &standIn);
    EXPECT_TRUE(b->flags & MoToolMissing);
    EXPECT_EQ(c->tool, nullptr);
    EXPECT_EQ(log.Text(), "Warning: master tool not in template (Tool=40, Master=B)\r\n");
}

TEST_F(MasterCollectionTest, InsertAtAndAdd) {
    auto named = [&](const char* name) {
        auto master = std::make_unique<Master>(&project);
        master->name = name;
        return master;
    };
    collection.Add(named("a"));
    collection.Add(named("b"));
    Master* c = collection.InsertAt(1, named("c"));
    EXPECT_EQ(c->name, "c");
    EXPECT_EQ(Names(), "b c a ");
    collection.InsertAt(99, named("d"));
    EXPECT_EQ(Names(), "b c a d ");
    EXPECT_EQ(collection.Add(nullptr), nullptr);
    EXPECT_EQ(collection.Count(), 4u);
}

// The look-up by name follows every way a held master's name changes: a
// master is found by its new name, no longer by its old one, and where two
// masters share a name the one nearer the front still wins.
TEST_F(MasterCollectionTest, LookUpByNameFollowsEveryRename) {
    using Path = std::function<void(MasterCollection&, Master*, const std::string&)>;
    GuidScope noProject{nullptr, &templ};
    const std::pair<const char*, Path> paths[] = {
        {"Rename", [](MasterCollection& c, Master* m, const std::string& n) { c.Rename(m, n); }},
        {"SetToolAndName",
         [&](MasterCollection&, Master* m, const std::string& n) {
             m->SetToolAndName(&classTool, n, m->nameSpace);
         }},
        {"Assign",
         [&](MasterCollection&, Master* m, const std::string& n) {
             auto from = CloneOf(*m);
             from->name = n;
             m->Assign(from.get());
         }},
        {"Props",
         [&](MasterCollection&, Master* m, const std::string& n) {
             auto to = CloneOf(*m);
             to->name = n;
             m->Props(&noProject, nullptr, m->Props(&noProject, to.get(), nullptr, false), true);
         }},
        {"Persist",
         [&](MasterCollection&, Master* m, const std::string& n) {
             auto from = CloneOf(*m);
             from->name = n;
             m->Persist(&noProject, from->Persist(&noProject, nullptr));
         }},
        {"ReplaceText",
         [](MasterCollection& c, Master* m, const std::string& n) {
             // Replacing records the master's previous state and marks it;
             // an unmarked master is replaced again.
             c.MarkAll(0);
             EXPECT_EQ(m->ReplaceText(nullptr, m->name, n, ReplaceNamesOnly | ReplaceAndRecord), 1);
         }},
        {"direct write",
         [&](MasterCollection&, Master* m, const std::string& n) {
             m->name = n;
             m->NoteNameChange();
         }},
        {"taken out, renamed, put back",
         [](MasterCollection& c, Master* m, const std::string& n) {
             std::unique_ptr<Master> taken = c.Remove(m, false);
             taken->name = n;
             c.InsertAt(1, std::move(taken));
         }},
    };
    for (const auto& [what, rename] : paths) {
        SCOPED_TRACE(what);
        MasterCollection masters;
        Master* back = masters.FindOrCreate(&project, 12, &classTool, "Twin", "", nullptr);
        Master* middle = masters.FindOrCreate(&project, 12, &classTool, "Old", "", nullptr);
        masters.FindOrCreate(&project, 12, &classTool, "Front", "", nullptr);
        ASSERT_EQ(masters.FindMaster(12, "Old", ""), middle); // the index is built
        rename(masters, middle, "New");
        EXPECT_EQ(masters.FindMaster(12, "New", ""), middle);
        EXPECT_EQ(masters.FindMaster(12, "Old", ""), nullptr);
        // Into a name a master further back has: the nearer one is found.
        rename(masters, middle, "Twin");
        EXPECT_EQ(masters.FindMaster(12, "Twin", ""), middle);
        EXPECT_EQ(masters.FindMaster(12, "New", ""), nullptr);
        // And away again: the one further back is found once more.
        rename(masters, middle, "Other");
        EXPECT_EQ(masters.FindMaster(12, "Twin", ""), back);
        EXPECT_EQ(masters.FindMaster(12, "Other", ""), middle);
    }
}

// The index keeps the collection's order through inserts at the front, in
// the middle and at the back, and through removals.
TEST_F(MasterCollectionTest, LookUpByNameKeepsTheOrderOfTheCollection) {
    auto named = [&](const char* name, const char* nameSpace) {
        auto master = std::make_unique<Master>(&project);
        master->SetToolAndName(&classTool, name, nameSpace);
        return master;
    };
    Master* a = collection.Add(named("X", "a"));
    EXPECT_EQ(collection.FindMaster(12, "X", ""), a);
    Master* b = collection.InsertAt(99, named("X", "b"));
    EXPECT_EQ(collection.FindMaster(12, "X", ""), a);
    EXPECT_EQ(collection.FindMaster(12, "X", "b"), b);
    Master* c = collection.InsertAt(1, named("X", "c"));
    EXPECT_EQ(collection.FindMaster(12, "X", "b"), b);
    Master* d = collection.Add(named("X", "d"));
    EXPECT_EQ(collection.FindMaster(12, "X", ""), d);
    ASSERT_NE(collection.Remove(d, false), nullptr);
    EXPECT_EQ(collection.FindMaster(12, "X", ""), a);
    ASSERT_NE(collection.Remove(a, false), nullptr);
    EXPECT_EQ(collection.FindMaster(12, "X", ""), c);
    EXPECT_EQ(collection.FindMaster(12, "X", "a"), nullptr);
    EXPECT_EQ(collection.FindMaster(10, "X", ""), nullptr); // the kind still counts
}

} // namespace
} // namespace qm::test
