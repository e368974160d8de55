#pragma once

#include <QElapsedTimer>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// What a program run to its end took: wall time, processor time (user and system, with the
// children it waited for, as a shell's pipeline) and its peak resident size.
struct ProcessResult {
    bool ok = false; // it exited with 0
    double seconds = 0;
    double processorSeconds = 0;
    long peakKiB = 0;
};

// Runs a program to its end, its output dropped.
inline ProcessResult runProcess(const std::vector<std::string>& arguments) {
    QElapsedTimer timer;
    timer.start();
    std::fflush(stdout); // the child must not write this process's pending output again
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            _exit(127);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    ProcessResult result;
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        result.peakKiB = usage.ru_maxrss;
        const auto seconds = [](const timeval& t) {
            return double(t.tv_sec) + t.tv_usec / 1e6;
        };
        result.processorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}
