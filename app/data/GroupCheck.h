#pragma once

#include <QString>

class CAdxShow;
class QTextStream;

// Exit statuses of the pre-show check.
inline constexpr int kCheckAllPresent = 0;  // every sound opens with the player
inline constexpr int kCheckSomeMissing = 1; // a sound is missing, refused or cannot be played
inline constexpr int kCheckNoGroup = 2;

// What opening one sound with the player found.
struct SoundCheck {
    enum class Status { Ok, Missing, Unsupported, Unplayable };
    Status status = Status::Missing;
    double dLength = -1.0; // seconds, when Ok
    QString strReason;     // for Unsupported and Unplayable
};

// The words the check prints for a status.
const char* SoundStatusName(SoundCheck::Status status);

// Opens the sound at path with show, as the main window would load it, and closes it again. Runs on
// the thread that owns the players.
SoundCheck CheckSound(CAdxShow& show, const QString& path);

// The pre-show check of a group file, without any window: loads path as the main window would, opens
// every sound with a player and prints to out, one field per tab, a line per group and a line per
// channel that names a file:
//   group   <n>   <name>
//   channel <g>-<c> <title> <absolute path> vol=<n> pan=<n> rate=<r> repeat=<n> fi=<n> fo=<n>
//           tfi=<s> tfo=<s> ok|missing|unsupported|unplayable len=<s>|len=- [<reason>]
// (numbers from 1; rate, times and length with one decimal; the reason only for unsupported and
// unplayable). Returns kCheckAllPresent, kCheckSomeMissing, or kCheckNoGroup after writing the
// read-error text to err. The players' engine must have been configured by the caller (no sound
// is played).
int RunGroupCheck(const QString& path, QTextStream& out, QTextStream& err);

// For a set moved between machines: looks up every sound of path that does not exist by its file name
// under searchDir, prints "found <g>-<c> <new path>" or "notfound <g>-<c> <stored path>" per missing
// sound, writes the set with the sounds found to the corrected copy CorrectedCopyPath(path) (relative
// paths; the original is never written) and prints "written <copy>", then checks the copy as
// RunGroupCheck does. Nothing is written when no missing sound was found; the original is checked then.
// Returns what the check returns, kCheckSomeMissing when the copy cannot be written (the write-error
// text on err).
int RunGroupFix(const QString& path, const QString& searchDir, QTextStream& out, QTextStream& err);

// "show.pdg" -> "show-fixed.pdg" in the same folder.
QString CorrectedCopyPath(const QString& path);
