// The field tables of masters and member records: every field of a table
// survives its record's round trip, and a master that differs from another
// in one field differs in exactly that field's slot of the journal's
// property list.
#include "Fakes.h"
#include "tests/support/ModelFixture.h"

#include "model/GuidMap.h"
#include "model/Master.h"
#include "model/RecordFields.h"

#include <string>

namespace qm::test {
namespace {

using kest::Cell;
using kest::nil;

// Gives the field a value unlike its default and unlike the one given by a
// smaller step: a text naming the field, an integer one step up.
template <class Record>
void SetDistinct(const FieldDescriptor<Record>& field, Record& record, int step) {
    if (field.IsText())
        record.*field.text = std::string(field.name) + " " + std::to_string(step);
    else
        record.*field.integer += step;
}

class RecordFieldsTest : public ModelTest {
  protected:
    RecordFieldsTest() { templ.Register(12, nullptr, false, &classTool); }

    // A master with every field of the table set, reading its own record.
    std::unique_ptr<Master> FullMaster() {
        auto master = std::make_unique<Master>(nullptr);
        master->guid.SetText("m-fields-00001");
        master->tool = &classTool;
        for (const auto& field : MasterFields())
            SetDistinct(field, *master, 1);
        return master;
    }

    GuidMap project, templ;
    GuidScope scope{&project, &templ};
    FakeTool classTool{12, true, true};
};

TEST_F(RecordFieldsTest, EveryMasterFieldSurvivesTheRecord) {
    std::unique_ptr<Master> written = FullMaster();
    Cell* record = written->Persist(&scope, nullptr);
    Master back(nullptr);
    back.Persist(&scope, record);
    for (const auto& field : MasterFields()) {
        SCOPED_TRACE(field.name);
        EXPECT_TRUE(field.Equal(*written, back));
    }
    EXPECT_EQ(pretty(back.Persist(&scope, nullptr)), pretty(record));
    back.Detach(&scope);
}

TEST_F(RecordFieldsTest, AMasterDifferingInOneFieldDiffersInItsSlotOnly) {
    std::unique_ptr<Master> before = FullMaster();
    for (const auto& field : MasterFields()) {
        SCOPED_TRACE(field.name);
        std::unique_ptr<Master> after = CloneOf(*before);
        SetDistinct(field, *after, 2);
        Cell* props = before->Props(&scope, after.get(), nullptr, false);
        int slot = 0;
        for (Cell* rest = props; rest != nil; rest = kest::cdr(rest), ++slot)
            EXPECT_EQ(kest::car(rest) != nil, slot == field.exchangeSlot) << slot;
        // Applied both ways, the difference moves the field and only it.
        std::unique_ptr<Master> target = CloneOf(*before);
        target->Props(&scope, nullptr, props, true);
        EXPECT_TRUE(FieldsEqual(MasterFields(), *target, *after));
        target->Props(&scope, nullptr, props, false);
        EXPECT_TRUE(FieldsEqual(MasterFields(), *target, *before));
    }
}

// A member record with every field of its table set reads back from its
// record with the same fields and writes the same record again.
template <class Record> void ExpectRoundTrip(std::span<const FieldDescriptor<Record>> fields) {
    Record written;
    for (const auto& field : fields)
        SetDistinct(field, written, 1);
    Cell* record = written.Persist(nullptr);
    Record back{Guid::FromText{""}};
    back.Persist(record);
    for (const auto& field : fields) {
        SCOPED_TRACE(field.name);
        EXPECT_TRUE(field.Equal(written, back));
    }
    EXPECT_TRUE(back.IsEqual(written));
    EXPECT_EQ(kest::prettystring(back.Persist(nullptr)), kest::prettystring(record));
}

TEST_F(RecordFieldsTest, EveryMemberFieldSurvivesTheRecord) {
    {
        SCOPED_TRACE("attribute");
        ExpectRoundTrip(AttributeFields());
    }
    {
        SCOPED_TRACE("method");
        ExpectRoundTrip(MethodFields());
    }
}

} // namespace
} // namespace qm::test
