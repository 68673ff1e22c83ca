// The single-instance test through an advisory lock on a file of the installation directory.
#include "app/SingleInstance.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "app/Orv_Log.h"

namespace {
int g_lockFd = -1;
}

bool SingleInstance_Acquire(const std::string& dir)
{
    if (g_lockFd >= 0)
        return true;
    std::string path = dir.empty() ? std::string("./") : dir;
    if (path.back() != '/')
        path += '/';
    path += SINGLE_INSTANCE_LOCK;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        debug_log("SingleInstance_Acquire() : cannot open %s (%s), not checked", path.c_str(),
                  std::strerror(errno));
        return true;
    }
    // The lock belongs to the open file description and goes with the process, even on a crash.
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) {
            debug_log("SingleInstance_Acquire() : Quillmar 2 already running in %s", dir.c_str());
            return false;
        }
        debug_log("SingleInstance_Acquire() : cannot lock %s (%s), not checked", path.c_str(),
                  std::strerror(err));
        return true;
    }
    g_lockFd = fd;
    return true;
}

void SingleInstance_Release()
{
    // No LOCK_UN: a forked child releasing its copy must not unlock the parent's description.
    if (g_lockFd >= 0)
        ::close(g_lockFd);
    g_lockFd = -1;
}
