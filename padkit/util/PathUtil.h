#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QString>

// Paths of sound files stored in group files. POSIX paths; a stored relative path may use '\' as
// its separator (sets written on Windows), and relative paths are written with '/'. None of these
// functions changes the current directory. UI thread.

// The absolute, cleaned form of stored, a relative one taken from the folder of the base file.
// Empty stays empty; a Windows absolute path (drive letter or "\\server") comes back unchanged.
PADKIT_API QString PADKIT_GetAbsPath(const QString& strBase, const QString& strStored);

// The path of target relative to the base file's folder: "./s/x.wav" for a file in that folder or
// below, "../B/x.wav" climbing up. Empty stays empty; a target whose relative form would hold a
// '\' (which reads back as a separator) comes back unchanged.
PADKIT_API QString PADKIT_GetIncPath(const QString& strBase, const QString& strTarget);

// Creates the folder and its missing parents; TRUE when it exists at the end. With bAsk the user
// confirms first ("確認") and sees failures ("エラー").
PADKIT_API BOOL PADKIT_MakeDir(const QString& strPath, BOOL bAsk);

// Copies a file over any existing destination (a destination folder receives the file under its
// own name) and makes the copy writable unless it is also hidden. TRUE on success.
PADKIT_API BOOL PADKIT_CopyFile(const QString& strSource, const QString& strDest);
