#include "io/printer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

extern char** environ;

namespace tw {

int PrinterSink::number(std::string_view streamName) {
    const size_t p = streamName.find("LPT");
    int n = 0;
    bool any = false;
    if (p != std::string_view::npos)
        for (size_t i = p + 3; i < streamName.size() && streamName[i] >= '0' && streamName[i] <= '9' &&
                               n < 100000;
             ++i) {
            n = n * 10 + (streamName[i] - '0');
            any = true;
        }
    return any ? n : 1;
}

std::string PrinterSink::target(int n) {
    const std::string var = "TARNWICK_LPT" + std::to_string(n);
    const char* v = std::getenv(var.c_str());
    if (v && *v) return v;
    return "LPT" + std::to_string(n) + ".PRN";
}

std::unique_ptr<PrinterSink> PrinterSink::open(int n) {
    const std::string t = target(n);
    if (t[0] != '|') {
        const int fd = ::open(t.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0) return nullptr;
        return std::unique_ptr<PrinterSink>(new PrinterSink(fd, -1));
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    const std::string cmd = t.substr(1);
    char sh[] = "/bin/sh";
    char dashC[] = "-c";
    char* argv[] = {sh, dashC, const_cast<char*>(cmd.c_str()), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (rc != 0) {
        ::close(fds[1]);
        return nullptr;
    }
    return std::unique_ptr<PrinterSink>(new PrinterSink(fds[1], pid));
}

PrinterSink::~PrinterSink() {
    if (fd_ >= 0) close();
}

bool PrinterSink::write(std::string_view text) {
    if (fd_ < 0) return false;
    // A command that has ended must not end the interpreter with SIGPIPE:
    // the signal is held back while writing and a pending one taken away.
    sigset_t pipeSet, old;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
    bool ok = true;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (errno == EPIPE) {
                const timespec zero{0, 0};
                sigtimedwait(&pipeSet, nullptr, &zero);
            }
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return ok;
}

bool PrinterSink::close() {
    if (fd_ < 0) return false;
    bool ok = ::close(fd_) == 0;
    fd_ = -1;
    if (pid_ > 0) {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    return ok;
}

}  // namespace tw
