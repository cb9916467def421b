// The list-record converters, object references and the checked record reader.
#include "tests/support/ModelFixture.h"

#include "model/GuidMap.h"
#include "model/ListRecords.h"
#include "model/ModelObject.h"

namespace qm::test {
namespace {

using kest::Cell;
using kest::nil;

class ListRecordsTest : public ModelTest {};

TEST_F(ListRecordsTest, RectPairAndPointBuildAndFill) {
    CRect rect(1, 2, 3, 4);
    EXPECT_EQ(print(rectlist(rect, nil)), "(1 2 3 4)");
    CRect filled;
    Cell* rest = rectlist(filled, read("(5 -6 70000 8 x)"));
    EXPECT_EQ(filled, CRect(5, -6, 70000, 8));
    EXPECT_EQ(print(rest), "(x)");

    IntPair pair{-1, 2147483647};
    EXPECT_EQ(print(pairlist(pair, nil)), "(-1 2147483647)");
    IntPair back;
    EXPECT_EQ(pairlist(back, read("(-1 2147483647)")), nil);
    EXPECT_EQ(back, pair);

    CPoint point(9, -9);
    EXPECT_EQ(print(pointlist(point, nil)), "(9 -9)");
    CPoint p;
    EXPECT_EQ(print(pointlist(p, read("(3 4 5)"))), "(5)");
    EXPECT_EQ(p, CPoint(3, 4));
}

TEST_F(ListRecordsTest, ArraysBuildInOrderAndFillAsTheirRulesSay) {
    std::vector<CPoint> points{{1, 2}, {3, 4}, {5, 6}};
    EXPECT_EQ(print(pointarraylist(points, nil)), "(1 2 3 4 5 6)");
    std::vector<CPoint> five{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    EXPECT_EQ(pointarraylist(five, read("(7 8 9 10)")), nil);
    EXPECT_EQ(five, (std::vector<CPoint>{{7, 8}, {9, 10}}));

    std::vector<CRect> rects{{1, 2, 3, 4}, {5, 6, 7, 8}};
    EXPECT_EQ(print(rectarraylist(rects, nil)), "((1 2 3 4) (5 6 7 8))");
    std::vector<CRect> three{{0, 0, 1, 1}, {0, 0, 2, 2}, {0, 0, 3, 3}};
    EXPECT_EQ(rectarraylist(three, read("((9 9 9 9))")), nil);
    EXPECT_EQ(three, (std::vector<CRect>{{9, 9, 9, 9}, {0, 0, 2, 2}, {0, 0, 3, 3}}));
    // A flat run reads as well, and the array grows as needed.
    std::vector<CRect> none;
    rectarraylist(none, read("(1 2 3 4 5 6 7 8)"));
    EXPECT_EQ(none, (std::vector<CRect>{{1, 2, 3, 4}, {5, 6, 7, 8}}));
    std::vector<CRect> empty;
    EXPECT_EQ(rectarraylist(empty, nil), nil);
}

TEST_F(ListRecordsTest, MalformedListsAreFormatErrorsAndLeaveValuesAlone) {
    struct Case {
        const char* text;
        int converter; // 0 rect, 1 point, 2 point array, 3 rect array
        const char* message;
    } cases[] = {
        {"(1 2 3)", 0, "bad rectangle record: 4 integers expected"},
        {"(1 2 \"3\" 4)", 0, "bad rectangle record: 4 integers expected"},
        {"(1.5 2)", 1, "bad point record: 2 integers expected"},
        {"(1 2 3)", 2, "bad point array record: an even number of integers expected"},
        {"(1 2 x 4)", 2, "bad point record: 2 integers expected"},
        {"((1 2 3 4 5))", 3, "bad rectangle array record: 4 integers expected"},
        {"((1 2 3))", 3, "bad rectangle record: 4 integers expected"},
        {"(1 2 3 4 5)", 3, "bad rectangle record: 4 integers expected"},
    };
    for (const Case& c : cases) {
        CRect rect(1, 1, 1, 1);
        CPoint point(1, 1);
        std::vector<CPoint> points{{1, 1}};
        std::vector<CRect> rects{{1, 1, 1, 1}};
        Cell* list = read(c.text);
        std::string message = failure([&] {
            switch (c.converter) {
            case 0:
                rectlist(rect, list);
                break;
            case 1:
                pointlist(point, list);
                break;
            case 2:
                pointarraylist(points, list);
                break;
            default:
                rectarraylist(rects, list);
                break;
            }
        });
        EXPECT_EQ(message, c.message) << c.text;
        EXPECT_EQ(rect, CRect(1, 1, 1, 1));
        EXPECT_EQ(point, CPoint(1, 1));
        EXPECT_EQ(points.size(), 1u);
        EXPECT_EQ(rects, (std::vector<CRect>{{1, 1, 1, 1}}));
    }
    // Dotted tails, which only scripts can build.
    using kest::mkcons;
    using kest::mkint;
    CRect rect;
    Cell* dotted = mkcons(mkint(1), mkcons(mkint(2), mkcons(mkint(3), mkcons(mkint(4), mkint(5)))));
    EXPECT_EQ(failure([&] { rectlist(rect, dotted); }), "bad rectangle record: improper list");
    std::vector<CPoint> points;
    EXPECT_EQ(failure([&] { pointarraylist(points, mkcons(mkint(1), mkint(2))); }),
              "bad point array record: list expected for points");
}

TEST_F(ListRecordsTest, ResolveObjectRefOfEachCellKind) {
    GuidMap map;
    ModelObject object;
    map.Add(&object);

    Guid out(Guid::FromText{"unchanged"});
    bool isGuid = false;
    ObjectRef empty = ResolveObjectRef(&map, kest::mkstr(""), &out, &isGuid);
    EXPECT_TRUE(isGuid);
    EXPECT_TRUE(empty.IsNil());
    EXPECT_TRUE(out.IsEmpty());

    ObjectRef byText = ResolveObjectRef(&map, kest::mkstr(object.guid.Text()), &out, &isGuid);
    EXPECT_TRUE(isGuid);
    EXPECT_TRUE(out == object.guid);
    EXPECT_TRUE(byText.IsText());
    EXPECT_EQ(byText.Resolve(&map), &object);

    ObjectRef byCell = ResolveObjectRef(&map, kest::mkref(&object, 3), &out, &isGuid);
    EXPECT_FALSE(isGuid);
    EXPECT_EQ(byCell.Resolve(nullptr), &object);

    ObjectRef number = ResolveObjectRef(&map, kest::mkint(12), nullptr, &isGuid);
    EXPECT_FALSE(isGuid);
    EXPECT_TRUE(number.IsNumber());
    EXPECT_EQ(number.Resolve(&map), nullptr);
    map.Register(12, nullptr, false, &object);
    EXPECT_EQ(number.Resolve(&map), &object);

    EXPECT_TRUE(ResolveObjectRef(&map, nil, nullptr, nullptr).IsNil());
    EXPECT_EQ(failure([&] { ResolveObjectRef(&map, kest::mkreal(1), nullptr, nullptr, "tag"); }),
              "bad tag record: id text expected");
    // Texts longer than an id are cut to 15 characters.
    ObjectRef longText = ResolveObjectRef(&map, kest::mkstr("0123456789abcdefgh"), &out, &isGuid);
    EXPECT_STREQ(longText.Text(), "0123456789abcde");
    EXPECT_STREQ(out.Text(), "0123456789abcde");
}

TEST_F(ListRecordsTest, RecordReaderChecksEveryField) {
    RecordReader ok(read("(1 \"s\" (a b) (1 2 3 4) (5 6) ())"), "test");
    EXPECT_EQ(ok.Int("n"), 1);
    EXPECT_EQ(ok.String("s"), "s");
    EXPECT_EQ(print(ok.List("l")), "(a b)");
    CRect rect;
    ok.Rect(rect, "r");
    EXPECT_EQ(rect, CRect(1, 2, 3, 4));
    CPoint point;
    ok.Point(point, "p");
    EXPECT_EQ(point, CPoint(5, 6));
    EXPECT_TRUE(ok.NextIsList());
    EXPECT_EQ(ok.List("empty"), nil);
    EXPECT_TRUE(ok.AtEnd());

    struct Case {
        const char* text;
        int take; // 0 int, 1 string, 2 list, 3 rect, 4 point
        const char* message;
    } cases[] = {
        {"()", 0, "bad test record: ends before f"},
        {"(\"1\")", 0, "bad test record: integer expected for f"},
        {"(1)", 1, "bad test record: string expected for f"},
        {"(x)", 2, "bad test record: list expected for f"},
        {"((1 2 3))", 3, "bad test record: rectangle of 4 integers expected for f"},
        {"((1 2 3 4 5))", 3, "bad test record: rectangle of 4 integers expected for f"},
        {"(())", 3, "bad test record: rectangle expected for f"},
        {"(5)", 4, "bad test record: point expected for f"},
    };
    for (const Case& c : cases) {
        Cell* list = read(c.text);
        std::string message = failure([&] {
            RecordReader r(list, "test");
            CRect rr;
            CPoint pp;
            switch (c.take) {
            case 0:
                r.Int("f");
                break;
            case 1:
                r.String("f");
                break;
            case 2:
                r.List("f");
                break;
            case 3:
                r.Rect(rr, "f");
                break;
            default:
                r.Point(pp, "f");
                break;
            }
        });
        EXPECT_EQ(message, c.message) << c.text;
    }
    EXPECT_EQ(failure([&] { RecordReader r(kest::mkint(3), "test"); }),
              "bad test record: list expected");
    Cell* dotted = kest::mkcons(kest::mkint(1), kest::mkint(2));
    EXPECT_EQ(failure([&] { RecordReader(dotted, "test").Int("f"); }),
              "bad test record: improper list");
    EXPECT_EQ(failure([&] { RecordReader(kest::mkcons(dotted, nil), "test").List("f"); }),
              "bad test record: list expected for f");
}

TEST_F(ListRecordsTest, HeadCheckGoesThroughTheFailureCheck) {
    EXPECT_EQ(failure([&] { ExpectHead(read("(master 1)"), kest::sym::master); }), "");
    std::string message = failure([&] { ExpectHead(read("(masters 1)"), kest::sym::master); });
    EXPECT_NE(message.find("master sym expected"), std::string::npos) << message;
    message = failure([&] { ExpectHead(kest::mkint(1), kest::sym::masters); });
    EXPECT_NE(message.find("masters sym expected"), std::string::npos) << message;
}

TEST_F(ListRecordsTest, IdCellsAndRecordIds) {
    ModelObject object;
    EXPECT_EQ(print(IdCell(nullptr)), "\"\"");
    EXPECT_EQ(std::string(IdCell(&object)->a.str), object.guid.Text());
    GuidMap map;
    RegisterRecordId(map, ObjectRef::ToText("t-id"), &object);
    EXPECT_EQ(map.Lookup("t-id"), &object);
    RegisterRecordId(map, ObjectRef::ToNumber(5), &object);
    ModelObject* out = nullptr;
    EXPECT_TRUE(map.Lookup(5, out, false));
    EXPECT_EQ(map.Lookup(object.guid.Text()), &object);
}

} // namespace
} // namespace qm::test
