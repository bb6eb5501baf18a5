#pragma once

#include "app/data/GroupArray.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

class QTextStream;

// Puts a set and all its sounds into one folder, so that the folder can be carried to another machine
// and played from there: every sound is copied into DIR/sounds/ under its own name (two different files
// of one name get "bell.wav", "bell-2.wav"; one file used twice is copied once), and the set is written
// to DIR/<name>.pdg with paths relative to it ("./sounds/bell.wav").
//
// Nothing the set comes from is ever written, moved or replaced: a sound already in DIR/sounds/ stays
// where it is, and a set file that would land on the group file it was read from, or on a sound, is
// refused. Each copy goes to a temporary name beside its destination and is renamed into place only
// when it is whole; the set file is written last, atomically, and only when every copy succeeded.
// Missing or unreadable sounds are listed and keep their stored path; the rest is collected.
// No widgets: the command line and the main window's menu share it.
class CShowCollector {
public:
    enum class Result {
        Complete,    // every sound collected and the set written
        SomeMissing, // the set written, but sounds were missing or unreadable
        Failed,      // nothing written or a copy failed (strError says why); no set file written
        Cancelled,   // stopped by the progress callback; no set file written
    };

    // Exit statuses of padora --collect.
    static constexpr int kExitComplete = 0;
    static constexpr int kExitSomeMissing = 1;
    static constexpr int kExitFailed = 2;

    static constexpr const char* kSoundsFolder = "sounds";
    static constexpr const char* kSetSuffix = ".pdg";

    struct Copied {
        QString strFrom;
        QString strTo;
        qint64 nBytes = 0;
    };
    struct Missing {
        int nGroup = 0; // from 0
        int nChannel = 0;
        QString strPath;
    };
    struct Report {
        Result result = Result::Failed;
        std::vector<Copied> copied;
        int nInPlace = 0; // sounds that already were in DIR/sounds/ and stay as they are
        std::vector<Missing> missing;
        QString strSetFile; // the set file written, empty when none
        QString strError;   // for Failed: the message for the user
        qint64 CopiedBytes() const;
    };

    // After each chunk copied: bytes done and bytes in all. False stops the collection. Called on the
    // thread that runs Run.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    // set: the set to collect (a copy: the caller may go on changing its own). dir: the folder to
    // collect into, made when missing. setName: the set file's base name (without ".pdg").
    // sourceSetFile: the group file the set was read from, never written; empty for an unsaved set.
    CShowCollector(CGroupArray set, QString dir, QString setName, QString sourceSetFile = QString());

    // Any thread: touches only its own copy of the set and the files.
    Report Run(const Progress& progress = {}) const;

    // The set file's base name: the group file's, or for an unsaved set the folder's own name.
    static QString SetNameFor(const QString& groupFile, const QString& dir);
    // The set file Run writes for dir and setName.
    static QString SetFilePath(const QString& dir, const QString& setName);

    // padora --collect GROUPFILE DIR: reads the group file, collects it and prints one line per copied
    // sound ("copied <from> <to> <bytes>"), "inplace <n>" when sounds were already there, one line per
    // missing sound ("missing <g>-<c> <path>"), "written <set file>" and "total copied=<n>
    // bytes=<n> missing=<n>", fields separated by tabs. Failures go to err. Returns kExitComplete,
    // kExitSomeMissing, or kExitFailed (no group file, a copy or the set file could not be written).
    static int RunCommandLine(const QString& groupFile, const QString& dir, QTextStream& out,
                              QTextStream& err);

private:
    CGroupArray m_aGroup;
    QString m_strDir;
    QString m_strSetName;
    QString m_strSourceSetFile;
};
