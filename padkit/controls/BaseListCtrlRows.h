#pragma once

#include "padkit/PadkitExport.h"

#include <functional>
#include <vector>

// Row order and selection rules of the virtual-row list, kept apart from the widget so that they can be
// checked without painting.
namespace padkit {

inline constexpr int kListSortAscending = 1;
inline constexpr int kListSortDescending = 2;

// Compares two records (by DBID) under one sort key: negative, zero or positive.
using ListSortCheck = std::function<short(short key, int dbid1, int dbid2)>;

// Fills order[0..n-1] with the fixed rows (-1) followed by the DBIDs 0, 1, 2, ... and exchange-sorts it
// over all pairs, the keys taken in turn until one tells the pair apart. Fixed rows stay in front in
// either direction: they have no record to compare. Quadratic in n.
PADKIT_API void ListRowOrder(int n, int fixedRows, const short* keys, int keyCount, int direction,
                             const ListSortCheck& check, int* order);

// Selected flags, focused row and selection mark (the anchor of Shift ranges) of a list.
struct ListSelection {
    std::vector<bool> selected;
    int focus = -1;
    int mark = -1;
};

// The selection after a left click on row (-1: below the last row). Ctrl toggles the row, Shift
// selects the range from the mark, both add the range; a single-selection list never holds two rows.
PADKIT_API ListSelection ListClick(const ListSelection& current, int row, bool ctrl, bool shift,
                                   bool singleSelection);

// The selection after the focus has been moved to row by the keyboard: the row alone is selected,
// Shift selects the range from the mark, Ctrl moves only the focus.
PADKIT_API ListSelection ListMoveFocus(const ListSelection& current, int row, bool ctrl, bool shift,
                                       bool singleSelection);

enum class ListKeyMove { Up, Down, PageUp, PageDown, Home, End };

// Where a navigation key takes the focus, in a list of count rows showing pageRows whole rows.
// From no focus any key starts at the first row.
PADKIT_API int ListMoveTarget(ListKeyMove move, int focus, int count, int pageRows);

} // namespace padkit
