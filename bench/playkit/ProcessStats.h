#pragma once

#include <string>
#include <vector>

// CPU time used by this process (user + system, all threads), in seconds.
double ProcessCpuSeconds();

// CPU time used by the calling thread, in seconds (exact, from the thread's CPU clock).
double ThisThreadCpuSeconds();

// Resident set size of this process in kB (from /proc/self/statm), or -1 when unreadable.
long ResidentKb();

// The resident set split as the kernel counts it (/proc/self/status), in kB; -1 where unreadable.
struct SResidentParts {
    long anonKb = -1;  // heap, stacks, anonymous maps: what the program itself allocates
    long fileKb = -1;  // pages of mapped files (libraries, fonts), which the kernel may drop and read again
    long shmemKb = -1; // shared memory (the X server's images, JACK)
};
SResidentParts ResidentParts();

// The C allocator's own count (glibc's mallinfo2), in kB: bytes handed out and bytes it holds.
struct SHeapKb {
    long inUseKb = 0; // allocated and not freed, main heap, thread arenas and mapped blocks together
    long heldKb = 0;  // taken from the system: in use plus free space the allocator keeps
};
SHeapKb HeapKb();

// Open file descriptors of this process (/proc/self/fd, the listing's own excluded), or -1.
int OpenFdCount();

// Threads of this process (/proc/self/task), or -1.
int ThreadCount();

struct SThreadCpu {
    int nTid = 0;
    std::string strName;
    double dSeconds = 0; // time on a CPU since the thread started
};

// Every thread of this process with its CPU time. Uses the scheduler's nanosecond
// counters where the kernel has them, else the clock-tick counters of /proc.
std::vector<SThreadCpu> ThreadCpuTimes();

// The p-quantile (0..1) of the values, interpolating between neighbours; 0 when empty.
double Quantile(std::vector<double> values, double p);
