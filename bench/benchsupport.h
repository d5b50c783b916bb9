#pragma once

// Shared by the benchmarks: starts the device emulator on the loopback interface and stops it.
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

struct Emulator
{
    pid_t pid = -1;
    std::string output;  // the emulator's standard output, collected at stop

    bool start(const std::vector<std::string> &arguments)
    {
        // The build's test maker certifies the devices, and the library trusts it.
        setenv("TARN_MAKER_SECRETS", TARN_TEST_MAKER_SECRETS, 0);
        setenv("TARN_TRUSTED_MAKERS", TARN_TEST_TRUSTED_MAKERS, 0);
        char path[] = "/tmp/tarn-bench-XXXXXX";
        const int fd = mkstemp(path);
        if (fd < 0)
            return false;
        m_outputPath = path;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fd, 1);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(TARN_DEVICE_PROGRAM));
        for (const std::string &a : arguments)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid, TARN_DEVICE_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fd);
        return rc == 0;
    }

    void stop()
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        if (FILE *f = std::fopen(m_outputPath.c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, f))
                output += line;
            std::fclose(f);
        }
        unlink(m_outputPath.c_str());
    }

    ~Emulator() { stop(); }

private:
    std::string m_outputPath;
};
