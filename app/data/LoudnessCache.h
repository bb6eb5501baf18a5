#pragma once

#include <QHash>
#include <QString>

#include <optional>

// Measured loudness of sound files, kept between runs in a small text file (one line per file:
// loudness, size, modification time in ms, path; tab-separated). An entry counts only while the
// file still has the size and modification time it had when measured. Used by one thread at a time.
class CLoudnessCache {
public:
    // $XDG_CACHE_HOME/padora/loudness.tsv, or ~/.cache/padora/loudness.tsv without XDG_CACHE_HOME.
    static QString DefaultPath();

    // Reads the file at path (a missing or damaged file is an empty cache, and so is anything that
    // is not a regular file: it is neither waited on nor replaced).
    explicit CLoudnessCache(QString path);

    // The loudness stored for the file as it is now on disk, nothing when unknown or changed.
    std::optional<double> Find(const QString& file) const;
    // Stores a measurement of the file as it is now and rewrites the cache file whole (atomically;
    // a failed write loses only this entry for the next run). False when the file is gone.
    bool Store(const QString& file, double lufs);
    // Rewrites the cache file whole; false when it could not be (the old file then stays as it was).
    bool Save() const;

private:
    struct Entry {
        double lufs;
        qint64 size;
        qint64 mtime;
    };

    QString m_strPath;
    QHash<QString, Entry> m_entries;
};
