// Child processes for black-box tests, with pipes for all three standard streams.
#include "Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace test_support {

static void set_close_on_exec(int fd)
{
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

ProcessResult run_process(std::vector<std::string> const& argv, std::map<std::string, std::string> const& environment,
                          std::string const& input, int timeout_seconds)
{
    return run_process(argv, environment, ProcessOptions { input, false, timeout_seconds });
}

ProcessResult run_process(std::vector<std::string> const& argv, std::map<std::string, std::string> const& environment,
                          ProcessOptions const& options)
{
    std::string const& input = options.input;
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
        throw std::runtime_error("pipe failed");

    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (options.input_from_null) {
            int null_fd = open("/dev/null", O_RDONLY);
            dup2(null_fd, 0);
            close(null_fd);
        } else {
            dup2(in_pipe[0], 0);
        }
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (int fd : { in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1] })
            close(fd);
        for (auto const& [name, value] : environment) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        // The parent ignores SIGPIPE while it feeds the child; the child starts
        // with the default, as it would from a shell.
        signal(SIGPIPE, SIG_DFL);
        std::vector<char*> args;
        for (auto const& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }

    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    for (int fd : { in_pipe[1], out_pipe[0], err_pipe[0] })
        set_close_on_exec(fd);

    ProcessResult result;
    std::size_t written = 0;
    int in_fd = in_pipe[1];
    if (input.empty() || options.input_from_null) {
        close(in_fd);
        in_fd = -1;
    }
    bool out_open = true, err_open = true;
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeout_seconds);
    bool killed = false;
    signal(SIGPIPE, SIG_IGN);

    while (out_open || err_open) {
        pollfd fds[3];
        int count = 0;
        if (out_open)
            fds[count++] = { out_pipe[0], POLLIN, 0 };
        if (err_open)
            fds[count++] = { err_pipe[0], POLLIN, 0 };
        if (in_fd >= 0)
            fds[count++] = { in_fd, POLLOUT, 0 };
        int ready = poll(fds, static_cast<nfds_t>(count), 100);
        if (std::chrono::steady_clock::now() > deadline && !killed) {
            kill(pid, SIGKILL);
            killed = true;
        }
        if (ready <= 0)
            continue;
        for (int i = 0; i < count; i++) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in_fd) {
                ssize_t n = write(in_fd, input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if (n < 0 || written == input.size()) {
                    close(in_fd);
                    in_fd = -1;
                }
                continue;
            }
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            std::string& sink = fds[i].fd == out_pipe[0] ? result.out : result.err;
            if (n > 0) {
                sink.append(buffer, static_cast<std::size_t>(n));
            } else {
                (fds[i].fd == out_pipe[0] ? out_open : err_open) = false;
            }
        }
    }
    if (in_fd >= 0)
        close(in_fd);
    close(out_pipe[0]);
    close(err_pipe[0]);

    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

std::string binary_path(std::string const& name)
{
    return std::string(CE_BINARY_DIR) + "/bin/" + name;
}

namespace {

// The directories fresh_directory made, removed when the test process ends
// (with "fresh" itself once no other process has any left in it).
class MadeDirectories {
public:
    ~MadeDirectories()
    {
        std::error_code ignored;
        for (auto const& path : m_paths)
            std::filesystem::remove_all(path, ignored);
        if (!m_paths.empty())
            std::filesystem::remove(m_paths.front().parent_path(), ignored); // only when empty
    }
    void add(std::filesystem::path path) { m_paths.push_back(std::move(path)); }

private:
    std::vector<std::filesystem::path> m_paths;
};

}

std::string fresh_directory(std::string const& label)
{
    static int counter = 0;
    static MadeDirectories made;
    auto path = std::filesystem::path(CE_BINARY_DIR) / "test-device" / "fresh"
        / (label + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    // Another test process that ends may remove "fresh" itself, once it is
    // empty, between our making it and making our directory in it: try again.
    std::error_code error;
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::filesystem::create_directories(path, error);
        if (!error)
            break;
    }
    if (error)
        throw std::filesystem::filesystem_error("cannot make a fresh directory", path, error);
    made.add(path);
    return path.string();
}

}
