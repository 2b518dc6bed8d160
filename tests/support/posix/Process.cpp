// SPDX-License-Identifier: Apache-2.0
// Programs run by posix_spawnp, their output and errors read through pipes by poll.
#include "support/Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace Support {

namespace {

void closeIfOpen(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

Output run(const std::string &program, const std::vector<std::string> &args,
           const std::string &input, const std::string &folder)
{
    Output result;
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
        posix_spawn_file_actions_addclose(&actions, fd);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    int writeEnd = in[1], outEnd = out[0], errEnd = err[0];
    if (spawned != 0) {
        closeIfOpen(writeEnd), closeIfOpen(outEnd), closeIfOpen(errEnd);
        return result;
    }
    // A reader that ends early must not end us with SIGPIPE; nothing here waits on a
    // pipe: a program that leaves a daemon holding its output behind (wine's server)
    // has ended when it has, whatever the pipes say.
    std::signal(SIGPIPE, SIG_IGN);
    for (int fd : {writeEnd, outEnd, errEnd})
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::size_t written = 0;
    if (input.empty())
        closeIfOpen(writeEnd);
    const auto readAvailable = [&] {
        char buffer[65536];
        for (auto [fd, text] : {std::pair{&outEnd, &result.out}, std::pair{&errEnd, &result.err}}) {
            ssize_t n = 0;
            while (*fd >= 0 && (n = ::read(*fd, buffer, sizeof buffer)) > 0)
                text->append(buffer, std::size_t(n));
            if (*fd >= 0 && (n == 0 || (errno != EAGAIN && errno != EINTR)))
                closeIfOpen(*fd);
        }
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int status = 0;
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        pollfd fds[3] = {{outEnd, POLLIN, 0}, {errEnd, POLLIN, 0}, {writeEnd, POLLOUT, 0}};
        ::poll(fds, 3, 50);
        readAvailable();
        if (writeEnd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(writeEnd, input.data() + written, input.size() - written);
            if (n > 0)
                written += std::size_t(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
                closeIfOpen(writeEnd);
        }
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
    }
    if (ended)
        readAvailable();
    closeIfOpen(writeEnd), closeIfOpen(outEnd), closeIfOpen(errEnd);
    if (!ended) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return result;
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

bool otherReadersRun()
{
    return true;
}

} // namespace Support
