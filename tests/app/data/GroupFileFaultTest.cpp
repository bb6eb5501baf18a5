// Saving a group file while the system fails under it: every write, sync, link and rename the
// save makes fails in turn (or the process dies there), the disk fills up, the folder turns
// read-only. The file on disk is always the old one byte for byte or the new one whole.
#include "app/data/GroupFile.h"
#include "app/data/LoudnessCache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The calls of this process that put a file on disk, counted while a test arms them; the call
// numbered g_failAt fails with g_errno (or ends the process when g_die is set).
std::atomic<bool> g_armed{false};
std::atomic<int> g_calls{0};
std::atomic<int> g_failAt{-1};
std::atomic<int> g_errno{EIO};
std::atomic<bool> g_die{false};

bool Inject() {
    if (!g_armed.load(std::memory_order_relaxed))
        return false;
    if (g_calls.fetch_add(1) + 1 != g_failAt.load())
        return false;
    if (g_die)
        _exit(0); // killed right here: nothing after this call happens
    errno = g_errno;
    return true;
}

template <typename F> F Real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" {
ssize_t write(int fd, const void* buf, size_t n) {
    static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    return Inject() ? -1 : real(fd, buf, n);
}
int fsync(int fd) {
    static auto real = Real<int (*)(int)>("fsync");
    return Inject() ? -1 : real(fd);
}
int fdatasync(int fd) {
    static auto real = Real<int (*)(int)>("fdatasync");
    return Inject() ? -1 : real(fd);
}
int rename(const char* from, const char* to) {
    static auto real = Real<int (*)(const char*, const char*)>("rename");
    return Inject() ? -1 : real(from, to);
}
int renameat(int a, const char* from, int b, const char* to) {
    static auto real = Real<int (*)(int, const char*, int, const char*)>("renameat");
    return Inject() ? -1 : real(a, from, b, to);
}
int renameat2(int a, const char* from, int b, const char* to, unsigned flags) {
    static auto real = Real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return Inject() ? -1 : real(a, from, b, to, flags);
}
int linkat(int a, const char* from, int b, const char* to, int flags) {
    static auto real = Real<int (*)(int, const char*, int, const char*, int)>("linkat");
    return Inject() ? -1 : real(a, from, b, to, flags);
}
}

namespace {
CGroupArray MakeSet(int channels) {
    CGroupArray set;
    CGroupData group;
    group.m_strName = QStringLiteral("効果音");
    for (int c = 0; c < channels; ++c) {
        group.m_aChannel[static_cast<size_t>(c)].m_strTitle = QStringLiteral("音 %1").arg(c);
        group.m_aChannel[static_cast<size_t>(c)].m_strFile = QStringLiteral("/show/sounds/%1.wav").arg(c);
    }
    set.Add(group);
    return set;
}
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
void WriteRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct Armed {
    Armed(int failAt, int err, bool die) {
        g_calls = 0;
        g_failAt = failAt;
        g_errno = err;
        g_die = die;
        g_armed = true;
    }
    ~Armed() { g_armed = false; }
};

class GroupFileFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath("show.pdg");
        // The new set's bytes, as a save that succeeds writes them.
        const QString reference = m_dir.filePath("reference.pdg");
        ASSERT_EQ(CGroupFile::Write(reference, MakeSet(8), FALSE), CGroupFile::kOk);
        m_new = ReadAll(reference);
        QFile::remove(reference);
        m_old = QByteArrayLiteral("[GroupData]\nGroupNum=1\nGrpName000=old\n");
    }
    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_old, m_new;
};
} // namespace

TEST_F(GroupFileFaultTest, EveryFailingCallLeavesTheOldFileAndSaysSo) {
    for (int err : {EIO, ENOSPC}) {
        int failAt = 1;
        for (;; ++failAt) {
            WriteRaw(m_path, m_old);
            QString reason;
            int result = 0, calls = 0;
            {
                Armed armed(failAt, err, false);
                result = CGroupFile::Write(m_path, MakeSet(8), FALSE, &reason);
                calls = g_calls;
            }
            if (calls < failAt) { // every call went through
                EXPECT_EQ(result, CGroupFile::kOk);
                EXPECT_EQ(ReadAll(m_path), m_new);
                break;
            }
            // A failure after the new file took the name (syncing the folder) changes nothing;
            // any other is reported, with the old file in place.
            if (result == CGroupFile::kOk) {
                EXPECT_EQ(ReadAll(m_path), m_new) << "call " << failAt << " failed, the save says it worked";
            } else {
                EXPECT_EQ(result, CGroupFile::kWriteError) << failAt;
                EXPECT_FALSE(reason.isEmpty()) << failAt;
                EXPECT_EQ(ReadAll(m_path), m_old) << "after call " << failAt << " failed";
            }
            // Nothing but the set is left in the folder.
            EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 1) << failAt;
        }
        EXPECT_GT(failAt, 2) << "the save makes no calls that could be failed: the test sees nothing";
    }
}

TEST_F(GroupFileFaultTest, KilledAtAnyCallLeavesTheOldFileOrTheNewOneWhole) {
    int failAt = 1;
    for (;; ++failAt) {
        WriteRaw(m_path, m_old);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Armed armed(failAt, EIO, true);
            const int result = CGroupFile::Write(m_path, MakeSet(8), FALSE);
            _exit(result == CGroupFile::kOk ? 42 : 43); // not killed: the save ran to its end
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const QByteArray now = ReadAll(m_path);
        EXPECT_TRUE(now == m_old || now == m_new) << "killed at call " << failAt << ": a mix is on disk";
        if (WEXITSTATUS(status) == 42) {
            EXPECT_EQ(now, m_new);
            break;
        }
        ASSERT_EQ(WEXITSTATUS(status), 0) << failAt;
    }
    EXPECT_GT(failAt, 2);
}

// The loudness cache is saved the same way: a failed write is a failed save, and the old cache stays.
TEST_F(GroupFileFaultTest, ALoudnessCacheSaveThatFailsSaysSoAndKeepsTheOldCache) {
    const QString cachePath = m_dir.filePath("loudness.tsv");
    const QString sound = m_dir.filePath("bell.wav");
    WriteRaw(sound, QByteArray(4096, 'w'));
    CLoudnessCache cache(cachePath);
    ASSERT_TRUE(cache.Store(sound, -14.0));
    const QByteArray old = ReadAll(cachePath);
    ASSERT_FALSE(old.isEmpty());
    for (int err : {EIO, ENOSPC}) {
        {
            // The measurement is kept in memory all the same.
            Armed armed(1, err, false);
            EXPECT_TRUE(cache.Store(sound, -20.0));
        }
        EXPECT_EQ(ReadAll(cachePath), old) << err;
        bool saved = true;
        {
            Armed armed(1, err, false);
            saved = cache.Save();
        }
        EXPECT_FALSE(saved) << err;
        EXPECT_EQ(ReadAll(cachePath), old) << err;
    }
}

// A real full disk and a real read-only folder: a small file system of our own (root only).
TEST_F(GroupFileFaultTest, AFullDiskAndAReadOnlyFolderKeepTheOldFile) {
    const QString mountPoint = m_dir.filePath("small");
    QDir().mkpath(mountPoint);
    if (geteuid() != 0 || mount("padora-test", mountPoint.toUtf8().constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "needs root and a tmpfs mount";
    struct Unmount {
        QByteArray at;
        ~Unmount() { umount2(at.constData(), MNT_DETACH); }
    } unmount{mountPoint.toUtf8()};
    const QString path = mountPoint + "/show.pdg";
    WriteRaw(path, m_old);
    {
        // Fill what is left, so that the new set cannot be written beside the old one.
        QFile filler(mountPoint + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    QString reason;
    EXPECT_EQ(CGroupFile::Write(path, MakeSet(10), FALSE, &reason), CGroupFile::kWriteError);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(ReadAll(path), m_old);
    QFile::remove(mountPoint + "/filler");

    ASSERT_EQ(mount(nullptr, mountPoint.toUtf8().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    reason.clear();
    EXPECT_EQ(CGroupFile::Write(path, MakeSet(10), FALSE, &reason), CGroupFile::kWriteError);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(ReadAll(path), m_old);
}
