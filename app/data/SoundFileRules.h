#pragma once

#include <QString>

class CChannelData;

// What a sound file makes of a channel, whether it was chosen in a dialog or dropped on the window.
namespace soundfile {

// A channel's title is at most this many CP932 bytes.
inline constexpr int kTitleMaxBytes = 64;
// The volume (0 to 100) a channel gets with a new sound.
inline constexpr int kNewSoundVolume = 70;

// A file dialog's filter: the kinds the player opens, in any letter case, then all files.
QString FileFilter();
// A title made from a sound file's path: its name without folder and last extension, cut to
// kTitleMaxBytes CP932 bytes without splitting a character.
QString TitleFromPath(const QString& path);
// The path stored for a sound file: absolute and clean.
QString StoredPath(const QString& path);
// Title and file of a channel from a sound file's path; everything else of the channel stays.
void AssignSoundFile(CChannelData& channel, const QString& path);

} // namespace soundfile
