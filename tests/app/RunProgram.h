#pragma once

#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

// Runs a program found on PATH to its end; returns its exit status (-1 when it did not run or was
// killed) and, when asked, its process id. Tests start programs this way rather than with QProcess:
// QProcess runs code of this process in a child that shares its memory until the exec, which leaves
// ThreadSanitizer's picture of the process wrong (it then reports races that are not there).
inline int RunProgram(const std::vector<std::string>& args, pid_t* pidOut = nullptr) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (args.empty() || posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    if (pidOut)
        *pidOut = pid;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
