// Right-angled routing: the twelve cases of a route from a node, the legs
// appended for a click and the closing legs at the target node.
#include "drawables/OrthogonalRouting.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

std::vector<CPoint> Route(const CRect& r, CPoint s, CPoint t, bool preferHorizontal = false) {
    CPoint out[3];
    const int n = RouteOrthogonal(r, s, t, out, preferHorizontal);
    return std::vector<CPoint>(out, out + n);
}

TEST(OrthogonalRouting, RoutesLeaveTheNodeTowardsTheTarget) {
    const CRect node(100, 100, 200, 160);
    const CPoint c(150, 130);
    struct Case {
        const char* what;
        CPoint t;
        std::vector<CPoint> expected;
    };
    const Case cases[] = {
        {"straight above within 3", {153, 20}, {{150, 100}, {150, 20}}},
        {"4 off above to the right: corner", {154, 20}, {{150, 100}, {150, 20}, {154, 20}}},
        {"4 off above to the left: corner", {146, 20}, {{150, 100}, {150, 20}, {146, 20}}},
        {"straight below", {149, 300}, {{150, 160}, {150, 300}}},
        {"below to the right", {190, 300}, {{150, 160}, {150, 300}, {190, 300}}},
        {"straight left", {10, 132}, {{100, 130}, {10, 130}}},
        {"left and lower", {10, 150}, {{100, 130}, {10, 130}, {10, 150}}},
        {"left and higher", {10, 110}, {{100, 130}, {10, 130}, {10, 110}}},
        {"straight right", {300, 128}, {{200, 130}, {300, 130}}},
        {"right and lower", {300, 150}, {{200, 130}, {300, 130}, {300, 150}}},
        {"inside the node leaves downwards", {180, 140}, {{150, 160}, {150, 140}, {180, 140}}},
        {"inside and aligned", {151, 140}, {{150, 160}, {150, 140}}},
        // The centre is nearer to the top or bottom edges (30) than to the
        // sides (50): corner regions start vertically.
        {"above-right corner", {300, 20}, {{150, 100}, {150, 20}, {300, 20}}},
        {"below-left corner", {10, 300}, {{150, 160}, {150, 300}, {10, 300}}},
        {"below-right corner", {300, 300}, {{150, 160}, {150, 300}, {300, 300}}},
        {"above-left corner", {10, 20}, {{150, 100}, {150, 20}, {10, 20}}},
    };
    for (const Case& c2 : cases)
        EXPECT_EQ(Route(node, c, c2.t), c2.expected) << c2.what;

    // A source near a side edge leaves through that side.
    const CPoint nearRight(195, 130);
    EXPECT_EQ(Route(node, nearRight, {300, 20}),
              (std::vector<CPoint>{{200, 130}, {300, 130}, {300, 20}}));
    const CPoint nearLeft(103, 130);
    EXPECT_EQ(Route(node, nearLeft, {10, 300}),
              (std::vector<CPoint>{{100, 130}, {10, 130}, {10, 300}}));
}

TEST(OrthogonalRouting, SinglePointCornersFollowTheArrivingLeg) {
    const CPoint s(50, 50);
    const CRect single(50, 50, 50, 50);
    // The point's distances to its own "edges" are 0 both ways: vertical first.
    EXPECT_EQ(Route(single, s, {90, 10}), (std::vector<CPoint>{{50, 50}, {50, 10}, {90, 10}}));
    // After a vertical leg the route starts horizontally.
    EXPECT_EQ(Route(single, s, {90, 10}, true),
              (std::vector<CPoint>{{50, 50}, {90, 50}, {90, 10}}));
    EXPECT_EQ(Route(single, s, {10, 90}, true),
              (std::vector<CPoint>{{50, 50}, {10, 50}, {10, 90}}));
}

TEST(OrthogonalRouting, ExtendingAppendsLegsUntilThePathIsFull) {
    CPoint path[kOrthogonalPathRoom] = {{0, 0}, {0, 40}};
    // The leg arriving at (0, 40) is vertical: the route to (30, 80) starts horizontally.
    int count = ExtendOrthogonalPath(1, {30, 80}, path, 2);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(path[1], CPoint(0, 40));
    EXPECT_EQ(path[2], CPoint(30, 40));
    EXPECT_EQ(path[3], CPoint(30, 80));

    // 63 points: not extended.
    CPoint full[kOrthogonalPathRoom];
    for (int i = 0; i < 63; ++i)
        full[i] = CPoint(i * 10, (i % 2) * 10);
    EXPECT_EQ(ExtendOrthogonalPath(62, {1000, 1000}, full, 63), 63);
    EXPECT_EQ(full[62], CPoint(620, 0));
    // 62 points: the last leg may bring it to 64 at most.
    EXPECT_EQ(ExtendOrthogonalPath(61, {2000, 2000}, full, 62), 64);
    // An index outside the path changes nothing.
    EXPECT_EQ(ExtendOrthogonalPath(5, {1, 1}, path, 4), 4);
    EXPECT_EQ(ExtendOrthogonalPath(-1, {1, 1}, path, 4), 4);
}

TEST(OrthogonalRouting, EndingAtTheTargetClosesWithinTheRoom) {
    const CRect target(100, 100, 200, 160);
    // Straight approach from above: the last point becomes the border point.
    CPoint path[kOrthogonalPathRoom] = {{0, 20}, {150, 20}};
    EXPECT_EQ(EndOrthogonalPathAtRect(target, 1, {150, 130}, path, 2), 2);
    EXPECT_EQ(path[1], CPoint(150, 100));

    // With a corner: the corner replaces the last point and the border point follows.
    CPoint bent[kOrthogonalPathRoom] = {{0, 20}, {40, 140}};
    EXPECT_EQ(EndOrthogonalPathAtRect(target, 1, {150, 130}, bent, 2), 3);
    EXPECT_EQ(bent[1], CPoint(40, 130));
    EXPECT_EQ(bent[2], CPoint(100, 130));

    // 63 points still close, to at most 64; 64 points are left alone.
    CPoint full[kOrthogonalPathRoom];
    for (int i = 0; i < 63; ++i)
        full[i] = CPoint(-1000 + i, -500);
    EXPECT_EQ(EndOrthogonalPathAtRect(target, 62, {150, 130}, full, 63), 64);
    EXPECT_EQ(full[63], CPoint(150, 100));
    EXPECT_EQ(EndOrthogonalPathAtRect(target, 63, {150, 130}, full, 64), 64);
    EXPECT_EQ(EndOrthogonalPathAtRect(target, 0, {150, 130}, full, 0), 0);
}

} // namespace
} // namespace qm
