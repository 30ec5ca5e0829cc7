// Running the quarvel program through the shell in its tests.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

struct TCommandRun {
    int Status = -1; // the exit status; -1 when the command did not exit or could not start
    std::string Out; // standard output
    std::string Err; // standard error, when the caller keeps it
};

// Runs Command (a shell command line) and collects its standard output and exit status.
inline TCommandRun RunCommand(const std::string& Command) {
    TCommandRun run;
    FILE* pipe = popen(Command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.Out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
