#pragma once

// A program run by a benchmark and measured from outside: clock, processor time, peak memory.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <string>
#include <vector>

struct ChildRun {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system: steadier than the clock on a busy machine
    long peakKiB = 0;
    int status = -1;  // -1 when it could not start or did not exit by itself
};

// Runs a program to its end: standard output into `output`, standard error too when `quiet`.
inline ChildRun runChild(const std::vector<std::string>& args,
                         const std::string& output = "/dev/null", bool quiet = false) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    ChildRun run;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status))
            run.status = WEXITSTATUS(status);
        run.seconds = double(timer.nsecsElapsed()) / 1e9;
        run.peakKiB = usage.ru_maxrss;
        run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}
