#pragma once
// One of our programs run as a child process, its output (both streams) going to a
// file, or stdout to a pipe nobody reads; killed if the test ends before it does.
// It starts as from a shell: every signal at its default and none blocked, whatever
// the test runner ignores.

#include "TestFiles.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

class ChildProcess
{
public:
    ChildProcess(const std::string& exe, const std::vector<std::string>& args, const std::string& outputPath,
                 const std::vector<std::string>& env = {}, bool stdoutUnread = false)
        : output_(outputPath)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            for (const std::string& e : env)
                ::putenv(const_cast<char*>(e.c_str()));
            if (std::freopen(outputPath.c_str(), "w", stdout))
                ::dup2(::fileno(stdout), 2);
            int unread[2];
            if (stdoutUnread && ::pipe(unread) == 0) {
                ::dup2(unread[1], 1);
                ::close(unread[0]);
                ::close(unread[1]);
            }
            for (int signal = 1; signal < NSIG; ++signal)
                std::signal(signal, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            std::vector<char*> argv{const_cast<char*>(exe.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(exe.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~ChildProcess()
    {
        if (pid_ > 0 && !exited_ && ::kill(pid_, SIGKILL) == 0)
            ::waitpid(pid_, nullptr, 0);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) { ::kill(pid_, signal); }

    // Exit code, 128 + the signal when one ended it, or -1 when it did not end in time.
    int WaitForExit(int seconds = 20)
    {
        for (int i = 0; i < seconds * 20; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    std::string Output() const { return ReadBytes(output_); }

private:
    std::string output_;
    pid_t pid_ = -1;
    bool exited_ = false;
};
