// Holding standard error in a memory file while the dialog is on screen.
#include "frontends/terminal/HeldStderr.h"

#include "text/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::frontends::terminal {

namespace {

int make_hold_file()
{
    int fd = memfd_create("held-stderr", MFD_CLOEXEC);
    if (fd >= 0)
        return fd;
    FILE* file = tmpfile();
    if (!file)
        return -1;
    fd = fcntl(fileno(file), F_DUPFD_CLOEXEC, 3);
    fclose(file);
    return fd;
}

// Copies the holding file to `to`; async-signal-safe.
void copy_out(int from, int to)
{
    static char buffer[4096];
    if (lseek(from, 0, SEEK_SET) < 0)
        return;
    for (;;) {
        ssize_t n = read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text::write_all_raw(to, buffer, static_cast<std::size_t>(n));
    }
}

}

HeldStderr::~HeldStderr()
{
    release();
}

bool HeldStderr::hold()
{
    if (holding())
        return true;
    int hold_fd = make_hold_file();
    if (hold_fd < 0)
        return false;
    std::fflush(stderr);
    int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved < 0 || dup2(hold_fd, STDERR_FILENO) < 0) {
        if (saved >= 0)
            close(saved);
        close(hold_fd);
        return false;
    }
    m_saved_fd = saved;
    m_hold_fd = hold_fd;
    return true;
}

void HeldStderr::release()
{
    if (!holding())
        return;
    std::fflush(stderr);
    release_in_signal_handler();
}

void HeldStderr::release_in_signal_handler()
{
    int saved = m_saved_fd;
    int hold_fd = m_hold_fd;
    if (saved < 0)
        return;
    m_saved_fd = -1;
    m_hold_fd = -1;
    dup2(saved, STDERR_FILENO);
    close(saved);
    copy_out(hold_fd, STDERR_FILENO);
    close(hold_fd);
}

}
