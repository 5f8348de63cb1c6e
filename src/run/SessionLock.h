#pragma once

#include <string>

// Held by the program that runs a session on a results name, for as long as it runs it: a second
// copy of Quorvex (or quorvex-sim) in the same folder would otherwise find the session unfinished
// and measure its next runs again, beside the first. An advisory lock on "<results name>.session.lock"
// beside the session record; the file goes with the lock.
class SessionLock {
public:
    explicit SessionLock(const std::string& resultsFileName);
    ~SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    // Whether this program holds the lock; when not, why (another program holds it, or the lock
    // file cannot be made), in words for the operator.
    bool Held() const { return fd_ >= 0; }
    const std::string& Problem() const { return problem_; }

private:
    std::string path_;
    int fd_ = -1;
    std::string problem_;
};
