#pragma once

#include "padkit/controls/BaseListCtrl.h"

#include <QByteArray>

class CBaseListCtrl;
class CChannelData;
class CGroupData;

// Cell texts shared by the channel list and the monitor list. Numbers are formatted with '.' whatever
// the locale: the lists read the same on every desktop.
namespace lists {

// The pad label of channel index 0..9: "1" ... "9", then "0".
QByteArray PadNumberText(int index);

// Elapsed and total time as "mm:ss/mm:ss", both truncated to whole seconds; minutes are not capped.
QByteArray PlayTimeText(double playTime, double endTime);

// "%d" and "%.1lf".
QByteArray IntText(int value);
QByteArray TenthsText(double value);

// Copies text into the handler's buffer of size bytes (terminator included), cut to size - 1 bytes
// but never inside a character. A buffer of no room is left alone.
void CopyCellText(const QByteArray& text, char* buffer, int size);

// Answers a list's text request (pNMHDR, an NMLVDISPINFO) for a row whose DBID is a channel index of
// pGroup: text gives the cell's text for (index, channel, column). A row painted before the group is set,
// or a row with no channel behind it, stays empty.
using ChannelCellTextFn = QByteArray (*)(int index, const CChannelData& channel, int column);
void AnswerChannelText(NMHDR* pNMHDR, const CGroupData* pGroup, ChannelCellTextFn text);

// Inserts the columns of a table: heading, LVCFMT_ alignment and width in average characters of the
// list's current font. Column i asks the text handler for sub-item i.
struct ColumnDef {
    const char* heading;
    int format;
    int widthChars;
};
void InsertColumns(CBaseListCtrl& list, const ColumnDef* columns, int count);
// Inserts columns[index] alone, at index.
void InsertColumn(CBaseListCtrl& list, const ColumnDef* columns, int index);

} // namespace lists
