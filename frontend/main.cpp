// The entry point of sarnith: the command line decides the exit code;
// standard output is flushed before the process ends, and a failure to write
// it is not reported as success.
//
// A run opens one file per reader at a time, and a statement may name
// hundreds of gateways in several ranges: the soft limit of open files is
// raised to the hard limit at once. A file that still cannot be opened is
// reported by its reader.
//
// The closed-pipe policy lives here. A reader that closes its end of the
// pipe early (`sarnith ... | head -1`) has taken all it wanted: with SIGPIPE
// ignored its departure shows up as a failed write (EPIPE) instead of ending
// the process, the run stops writing and reading, and the process ends
// quietly with the exit code the command line decided. Whether the reader
// has gone is asked of standard output itself: errno no longer tells by now,
// since the run went on (closing and opening files) after the failed write.
#include <csignal>
#include <cstdio>

#include "frontend/command_line.h"
#include "support/platform.h"

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    platform::RaiseOpenFileLimit();
    int nExitCode = RunCommandLine(argc, argv);
    bool bWritten = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (!bWritten && !platform::IsReaderGone(fileno(stdout))) {
        std::fputs("Error: Failed to write to standard output\n", stderr);
        nExitCode = 1;
    }
    return nExitCode;
}
