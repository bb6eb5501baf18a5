#include "ProcessStats.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double ThreadSecondsFromSchedstat(const std::filesystem::path& task) {
    std::ifstream in(task / "schedstat");
    unsigned long long ns = 0;
    if (in >> ns)
        return static_cast<double>(ns) * 1e-9;
    return -1;
}

double ThreadSecondsFromStat(const std::filesystem::path& task) {
    std::ifstream in(task / "stat");
    std::string line;
    if (!std::getline(in, line))
        return 0;
    // The name in field 2 may hold spaces and parentheses: count fields from the last ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ThisThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

long ResidentKb() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    if (!(in >> size >> resident))
        return -1;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

SResidentParts ResidentParts() {
    SResidentParts parts;
    std::ifstream in("/proc/self/status");
    std::string key;
    long kb = 0;
    while (in >> key) {
        if (key == "RssAnon:" && in >> kb)
            parts.anonKb = kb;
        else if (key == "RssFile:" && in >> kb)
            parts.fileKb = kb;
        else if (key == "RssShmem:" && in >> kb)
            parts.shmemKb = kb;
        in.ignore(1 << 12, '\n');
    }
    return parts;
}

SHeapKb HeapKb() {
    const struct mallinfo2 info = mallinfo2();
    SHeapKb heap;
    heap.inUseKb = static_cast<long>((info.uordblks + info.hblkhd) / 1024);
    heap.heldKb = static_cast<long>((info.arena + info.hblkhd) / 1024);
    return heap;
}

namespace {
int CountEntries(const char* dir) {
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec)
        return -1;
    int n = 0;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec)
            return -1;
        ++n;
    }
    return n;
}
} // namespace

int OpenFdCount() {
    const int n = CountEntries("/proc/self/fd");
    // The iterator holds a descriptor of its own while it lists the folder.
    return n < 0 ? -1 : n - 1;
}

int ThreadCount() {
    return CountEntries("/proc/self/task");
}

std::vector<SThreadCpu> ThreadCpuTimes() {
    std::vector<SThreadCpu> threads;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        SThreadCpu thread;
        thread.nTid = std::atoi(entry.path().filename().c_str());
        std::ifstream comm(entry.path() / "comm");
        std::getline(comm, thread.strName);
        thread.dSeconds = ThreadSecondsFromSchedstat(entry.path());
        if (thread.dSeconds < 0)
            thread.dSeconds = ThreadSecondsFromStat(entry.path());
        threads.push_back(thread);
    }
    std::sort(threads.begin(), threads.end(), [](const auto& a, const auto& b) { return a.nTid < b.nTid; });
    return threads;
}

double Quantile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double pos = std::clamp(p, 0.0, 1.0) * static_cast<double>(values.size() - 1);
    const size_t below = static_cast<size_t>(std::floor(pos));
    const size_t above = std::min(below + 1, values.size() - 1);
    const double frac = pos - static_cast<double>(below);
    return values[below] + (values[above] - values[below]) * frac;
}
