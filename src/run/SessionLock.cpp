#include "SessionLock.h"

#include "SessionFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

SessionLock::SessionLock(const std::string& resultsFileName)
    : path_(SessionLockFileName(resultsFileName))
{
    // A lock file removed by the program that held it may have been opened before it went: the
    // lock counts only on the file that is still at the path.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            problem_ = "Quorvex cannot make the session's lock file '" + path_ + "': "
                       + std::error_code(errno, std::generic_category()).message() + ".";
            return;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            problem_ = error == EWOULDBLOCK
                           ? "Another Quorvex is running a session with this results name (it holds '" + path_
                                 + "'). Wait until it has ended, or choose another results name."
                           : "Quorvex cannot lock the session's lock file '" + path_ + "': "
                                 + std::error_code(error, std::generic_category()).message() + ".";
            return;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::stat(path_.c_str(), &named) == 0 && opened.st_ino == named.st_ino
            && opened.st_dev == named.st_dev) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
    problem_ = "Quorvex could not take the session's lock file '" + path_ + "': it kept being replaced.";
}

SessionLock::~SessionLock()
{
    if (fd_ >= 0) {
        ::unlink(path_.c_str());
        ::close(fd_);
    }
}
