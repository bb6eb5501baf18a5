#pragma once

#include <QString>

class QTextStream;

// Exit statuses of the pre-show check.
inline constexpr int kCheckAllPresent = 0;
inline constexpr int kCheckSomeMissing = 1;
inline constexpr int kCheckNoGroup = 2;

// The pre-show check of a group file, without any window: loads path as the main window would
// and prints to out, one field per tab, a line per group and a line per channel that names a file:
//   group   <n>   <name>
//   channel <g>-<c> <title> <absolute path> vol=<n> pan=<n> rate=<r> repeat=<n> fi=<n> fo=<n>
//           tfi=<s> tfo=<s> ok|missing
// (numbers from 1; rate and times with one decimal). Returns kCheckAllPresent, kCheckSomeMissing,
// or kCheckNoGroup after writing the read-error text to err.
int RunGroupCheck(const QString& path, QTextStream& out, QTextStream& err);
