#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

// A JACK dummy server of this test's own, so that stopping it disturbs no other test. It is
// stopped with SIGTERM, and gets SIGTERM if this process dies: a server that ends any other way
// keeps its place in JACK's small table of servers.
class OwnJackServer {
public:
    explicit OwnJackServer(const std::string& name, int rate = 44100) : Name(name), Rate(std::to_string(rate))
    {
        Start();
    }
    ~OwnJackServer()
    {
        Stop();
        // The semaphores of clients still attached when the server went are left behind.
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
            const std::string file = entry.path().filename().string();
            if (file.starts_with("jack_sem.") && file.find("_" + Name + "_") != std::string::npos) {
                std::filesystem::remove(entry.path(), error);
            }
        }
    }
    OwnJackServer(const OwnJackServer&) = delete;
    OwnJackServer& operator=(const OwnJackServer&) = delete;

    bool Started() const { return Pid > 0; }
    // Starts it again after Stop.
    void Start()
    {
        if (Pid > 0) {
            return;
        }
        Pid = fork();
        if (Pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, 1);
            dup2(devNull, 2);
            execlp("jackd", "jackd", "-n", Name.c_str(), "--no-realtime", "-d", "dummy", "-r", Rate.c_str(), "-p", "256",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    void Stop()
    {
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, nullptr, 0);
            Pid = -1;
        }
    }

private:
    std::string Name;
    std::string Rate;
    pid_t Pid = -1;
};

inline bool WaitForServer()
{
    jack_set_error_function([](const char*) {});
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (jack_client_t* probe = jack_client_open("quorvex-probe", JackNoStartServer, nullptr)) {
            jack_client_close(probe);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

