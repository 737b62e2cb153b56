#pragma once
// Runs one test of this same test program in a child process, for tests that end a process
// midway (at a stop point) and then look at what it left on disk. The child test reads its
// arguments from the environment and skips itself when run on its own.

#include <QByteArray>
#include <QMap>
#include <QString>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include <sys/wait.h>

extern char** environ;

// The child's exit code; 128 + the signal when a signal ended it; -1 when it could not start
// or ran past the time given (it is then killed).
inline int RunChildTest(const QString& testName, const QMap<QByteArray, QByteArray>& environment,
                        std::chrono::seconds limit = std::chrono::seconds(120))
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!environment.contains(QByteArray::fromStdString(entry.substr(0, entry.find('=')))))
            env.push_back(entry);
    }
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.push_back((it.key() + '=' + it.value()).toStdString());
    const std::string filter = "--gtest_filter=" + testName.toStdString();
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char self[] = "/proc/self/exe";
    std::string filterArg = filter;
    char* argv[] = {self, filterArg.data(), nullptr};

    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        execve(self, argv, envp.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

// The value the parent gave a child test; empty when the test runs on its own.
inline QByteArray ChildArgument(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}
