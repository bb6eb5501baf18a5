#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Finds sound files by name under a folder, for sets moved to another machine: the folder is walked
// once, then each lookup is a table look-up. Runs on the thread that made it.
class CSoundFinder {
public:
    // Walks root and everything below it (symbolic links to folders are not followed).
    explicit CSoundFinder(const QString& root);

    // The file under the root that best stands for the stored path, empty when none has its name.
    // stored may be a Windows path ("C:\Show\Sounds\bell.wav"). The same name in the same case wins
    // over one that differs only in case (Windows names ignore case); among several, the one whose
    // folders match more of the stored path's last folders, then the shorter path, then the first
    // in name order.
    QString Find(const QString& stored) const;

    int FileCount() const { return m_nFiles; }

private:
    QHash<QString, QStringList> m_byLowerName; // lower-case file name -> absolute paths
    int m_nFiles = 0;
};
