// Running a program as a child process for end-to-end tests.
//
// RunProcess starts the program with the given arguments and environment
// changes, feeds it the given standard input, and collects its standard
// output, standard error and exit code. RunSarnith runs the project's own
// binary with a private settings folder and TZ pinned to UTC unless the
// caller sets them. Results are plain values owned by the caller.
#ifndef SARNITH_TESTS_COMMON_PROCESS_RUNNER_H
#define SARNITH_TESTS_COMMON_PROCESS_RUNNER_H

#include <functional>
#include <string>
#include <vector>

struct ProcessResult {
    std::string strStdout;
    std::string strStderr;
    int nExitCode = -1;  // -1 when the process did not exit normally
    int nSignal = 0;     // the signal that ended it, if any
};

struct ProcessOptions {
    // "NAME=value" to set, "NAME" alone to remove.
    std::vector<std::string> aEnvironment;
    std::string strStdin;
    std::string strWorkingDir;
    int nTimeoutSeconds = 60;
};

ProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& aArgs,
                         const ProcessOptions& options = ProcessOptions());

// Runs the sarnith binary. Unless the options say otherwise, TZ is UTC and
// XDG_CONFIG_HOME points at a folder private to this test process, so the
// user's own stored root directory is never read or changed.
ProcessResult RunSarnith(const std::vector<std::string>& aArgs, const ProcessOptions& options = ProcessOptions());

// In a child process after fork: applies the environment changes (as
// ProcessOptions::aEnvironment) and runs the program; never returns (exit
// code 127 when the program cannot be run).
[[noreturn]] void ExecProgram(const std::string& strProgram, const std::vector<std::string>& aArgs,
                              const std::vector<std::string>& aEnvironment);

// The folder RunSarnith uses as XDG_CONFIG_HOME by default.
std::string DefaultTestConfigHome();

// Runs fnWork in a child process as the unprivileged user and group 65534
// ("nobody", no supplementary groups) and hands back the text it returned:
// for tests of file permissions, which the superuser is not bound by. Needs
// the privilege to change user (the superuser has it). False when the child
// could not change user or did not end normally.
bool RunAsUnprivilegedUser(const std::function<std::string()>& fnWork, std::string& strOutput);

#endif
