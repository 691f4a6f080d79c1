// The entry point of sarnith: the command line decides the exit code;
// standard output is flushed before the process ends, and a failure to write
// it is not reported as success.
#include <cerrno>
#include <cstdio>

#include "frontend/command_line.h"

int main(int argc, char** argv)
{
    int nExitCode = RunCommandLine(argc, argv);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        // A reader that has gone away (a closed pipe) needs no message.
        if (errno != EPIPE)
            std::fputs("Error: Failed to write to standard output\n", stderr);
        nExitCode = 1;
    }
    return nExitCode;
}
