#include "padkit/controls/BaseListCtrlRows.h"

#include <gtest/gtest.h>

#include <vector>

using namespace padkit;

namespace {

std::vector<int> Order(int n, int fixedRows, const std::vector<short>& keys, int direction,
                       const ListSortCheck& check) {
    std::vector<int> order(static_cast<size_t>(n), 99);
    ListRowOrder(n, fixedRows, keys.data(), static_cast<int>(keys.size()), direction, check, order.data());
    return order;
}

ListSelection Rows(int count, std::vector<int> selected, int focus, int mark) {
    ListSelection s;
    s.selected.assign(static_cast<size_t>(count), false);
    for (int r : selected)
        s.selected[r] = true;
    s.focus = focus;
    s.mark = mark;
    return s;
}

std::vector<int> Selected(const ListSelection& s) {
    std::vector<int> rows;
    for (size_t i = 0; i < s.selected.size(); ++i) {
        if (s.selected[i])
            rows.push_back(static_cast<int>(i));
    }
    return rows;
}

} // namespace

TEST(ListRowOrder, WithoutKeysFixedRowsThenRecordsInTurn) {
    EXPECT_EQ(Order(10, 0, {}, kListSortAscending, nullptr),
              (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Order(5, 2, {}, kListSortAscending, nullptr), (std::vector<int>{-1, -1, 0, 1, 2}));
    EXPECT_TRUE(Order(0, 0, {}, kListSortAscending, nullptr).empty());
}

TEST(ListRowOrder, KeysTakenInTurnUntilOneDecides) {
    // Key 1 groups the records (a: 2 2 1 1 0), key 2 breaks ties (b: 0 1 0 1 0).
    const int a[] = {2, 2, 1, 1, 0};
    const int b[] = {0, 1, 0, 1, 0};
    int calls = 0;
    const ListSortCheck check = [&](short key, int x, int y) -> short {
        ++calls;
        const int* v = key == 1 ? a : b;
        return static_cast<short>(v[x] - v[y]);
    };
    EXPECT_EQ(Order(5, 0, {1, 2}, kListSortAscending, check), (std::vector<int>{4, 2, 3, 0, 1}));
    EXPECT_GT(calls, 0);
    EXPECT_EQ(Order(5, 0, {1, 2}, kListSortDescending, check), (std::vector<int>{1, 0, 3, 2, 4}));
    // No direction: nothing moves.
    EXPECT_EQ(Order(5, 0, {1, 2}, 0, check), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(ListRowOrder, FixedRowsStayInFrontInBothDirections) {
    const ListSortCheck byValue = [](short, int x, int y) -> short { return static_cast<short>(x - y); };
    EXPECT_EQ(Order(5, 2, {0}, kListSortAscending, byValue), (std::vector<int>{-1, -1, 0, 1, 2}));
    EXPECT_EQ(Order(5, 2, {0}, kListSortDescending, byValue), (std::vector<int>{-1, -1, 2, 1, 0}));
}

TEST(ListClick, PlainCtrlShiftAndBelowTheRows) {
    const ListSelection start = Rows(10, {1, 4}, 4, 4);

    ListSelection s = ListClick(start, 6, false, false, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{6}));
    EXPECT_EQ(s.focus, 6);
    EXPECT_EQ(s.mark, 6);

    s = ListClick(start, 6, true, false, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{1, 4, 6}));
    s = ListClick(s, 4, true, false, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{1, 6}));
    EXPECT_EQ(s.mark, 4);

    // Shift: range from the mark, replacing the rest; with Ctrl added to the rest.
    s = ListClick(start, 7, false, true, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(s.mark, 4);
    EXPECT_EQ(s.focus, 7);
    s = ListClick(start, 2, true, true, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{1, 2, 3, 4}));

    // Shift with no mark yet starts at the clicked row.
    s = ListClick(Rows(10, {}, -1, -1), 3, false, true, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{3}));

    // Below the last row: a plain click clears, a Ctrl click keeps.
    EXPECT_TRUE(Selected(ListClick(start, -1, false, false, false)).empty());
    EXPECT_EQ(Selected(ListClick(start, -1, true, false, false)), (std::vector<int>{1, 4}));
}

TEST(ListClick, SingleSelectionNeverHoldsTwoRows) {
    const ListSelection start = Rows(10, {2}, 2, 2);
    EXPECT_EQ(Selected(ListClick(start, 5, true, false, true)), (std::vector<int>{5}));
    EXPECT_EQ(Selected(ListClick(start, 5, false, true, true)), (std::vector<int>{5}));
    EXPECT_TRUE(Selected(ListClick(start, 2, true, false, true)).empty());
}

TEST(ListMoveFocus, KeysMoveSelectOrExtend) {
    const ListSelection start = Rows(10, {3}, 3, 3);
    ListSelection s = ListMoveFocus(start, 4, false, false, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{4}));
    EXPECT_EQ(s.mark, 4);

    s = ListMoveFocus(start, 6, false, true, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_EQ(s.mark, 3);
    s = ListMoveFocus(s, 1, false, true, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{1, 2, 3}));

    s = ListMoveFocus(start, 8, true, false, false);
    EXPECT_EQ(Selected(s), (std::vector<int>{3}));
    EXPECT_EQ(s.focus, 8);

    EXPECT_EQ(ListMoveTarget(ListKeyMove::Down, 9, 10, 4), 9);
    EXPECT_EQ(ListMoveTarget(ListKeyMove::Up, 0, 10, 4), 0);
    EXPECT_EQ(ListMoveTarget(ListKeyMove::PageDown, 2, 10, 4), 5);
    EXPECT_EQ(ListMoveTarget(ListKeyMove::PageDown, 8, 10, 4), 9);
    EXPECT_EQ(ListMoveTarget(ListKeyMove::PageUp, 2, 10, 4), 0);
    EXPECT_EQ(ListMoveTarget(ListKeyMove::End, 2, 10, 4), 9);
    EXPECT_EQ(ListMoveTarget(ListKeyMove::Down, -1, 10, 4), 0);
    EXPECT_EQ(ListMoveTarget(ListKeyMove::Down, -1, 0, 4), -1);
}
