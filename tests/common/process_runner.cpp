// Running a program as a child process for the end-to-end tests: its
// arguments, environment changes, working folder and standard input, and its
// standard output, standard error and exit code collected.
#include "tests/common/process_runner.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tests/common/temp_dir.h"

namespace {

void ApplyEnvironment(const std::vector<std::string>& aChanges)
{
    for (const std::string& strChange : aChanges) {
        size_t nEq = strChange.find('=');
        if (nEq == std::string::npos)
            unsetenv(strChange.c_str());
        else
            setenv(strChange.substr(0, nEq).c_str(), strChange.substr(nEq + 1).c_str(), 1);
    }
}

bool HasVariable(const std::vector<std::string>& aChanges, const std::string& strName)
{
    return std::any_of(aChanges.begin(), aChanges.end(), [&](const std::string& strChange) {
        return strChange == strName || strChange.rfind(strName + "=", 0) == 0;
    });
}

}  // namespace

void ExecProgram(const std::string& strProgram, const std::vector<std::string>& aArgs,
                 const std::vector<std::string>& aEnvironment)
{
    ApplyEnvironment(aEnvironment);
    std::vector<char*> aArgv;
    aArgv.push_back(const_cast<char*>(strProgram.c_str()));
    for (const std::string& strArg : aArgs)
        aArgv.push_back(const_cast<char*>(strArg.c_str()));
    aArgv.push_back(nullptr);
    execv(strProgram.c_str(), aArgv.data());
    _exit(127);
}

ProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& aArgs,
                         const ProcessOptions& options)
{
    ProcessResult result;
    int aOut[2];
    int aErr[2];
    int aIn[2];
    if (pipe(aOut) != 0 || pipe(aErr) != 0 || pipe(aIn) != 0)
        return result;

    pid_t nPid = fork();
    if (nPid == 0) {
        dup2(aIn[0], 0);
        dup2(aOut[1], 1);
        dup2(aErr[1], 2);
        for (int nFd : {aIn[0], aIn[1], aOut[0], aOut[1], aErr[0], aErr[1]})
            close(nFd);
        if (!options.strWorkingDir.empty() && chdir(options.strWorkingDir.c_str()) != 0)
            _exit(127);
        ExecProgram(strProgram, aArgs, options.aEnvironment);
    }
    close(aIn[0]);
    close(aOut[1]);
    close(aErr[1]);

    // Feed standard input, then read both outputs until they close.
    signal(SIGPIPE, SIG_IGN);
    size_t nFed = 0;
    int nInFd = aIn[1];
    if (options.strStdin.empty()) {
        close(nInFd);
        nInFd = -1;
    } else {
        fcntl(nInFd, F_SETFL, O_NONBLOCK);
    }
    bool bOutOpen = true;
    bool bErrOpen = true;
    time_t nDeadline = time(nullptr) + options.nTimeoutSeconds;
    char aBuffer[65536];
    while (bOutOpen || bErrOpen) {
        struct pollfd aPoll[3];
        int nCount = 0;
        if (bOutOpen)
            aPoll[nCount++] = {aOut[0], POLLIN, 0};
        if (bErrOpen)
            aPoll[nCount++] = {aErr[0], POLLIN, 0};
        if (nInFd >= 0)
            aPoll[nCount++] = {nInFd, POLLOUT, 0};
        int nReady = poll(aPoll, static_cast<nfds_t>(nCount), 1000);
        if (time(nullptr) > nDeadline) {
            kill(nPid, SIGKILL);
            break;
        }
        if (nReady <= 0)
            continue;
        for (int i = 0; i < nCount; ++i) {
            if (aPoll[i].revents == 0)
                continue;
            if (aPoll[i].fd == nInFd) {
                ssize_t nWritten = write(nInFd, options.strStdin.data() + nFed, options.strStdin.size() - nFed);
                if (nWritten > 0)
                    nFed += static_cast<size_t>(nWritten);
                if (nWritten < 0 || nFed == options.strStdin.size()) {
                    close(nInFd);
                    nInFd = -1;
                }
                continue;
            }
            ssize_t nRead = read(aPoll[i].fd, aBuffer, sizeof(aBuffer));
            std::string& strTarget = aPoll[i].fd == aOut[0] ? result.strStdout : result.strStderr;
            if (nRead > 0) {
                strTarget.append(aBuffer, static_cast<size_t>(nRead));
            } else if (nRead == 0 || errno != EINTR) {
                if (aPoll[i].fd == aOut[0])
                    bOutOpen = false;
                else
                    bErrOpen = false;
            }
        }
    }
    if (nInFd >= 0)
        close(nInFd);
    close(aOut[0]);
    close(aErr[0]);
    int nStatus = 0;
    waitpid(nPid, &nStatus, 0);
    if (WIFEXITED(nStatus))
        result.nExitCode = WEXITSTATUS(nStatus);
    else if (WIFSIGNALED(nStatus))
        result.nSignal = WTERMSIG(nStatus);
    return result;
}

bool RunAsUnprivilegedUser(const std::function<std::string()>& fnWork, std::string& strOutput)
{
    constexpr uid_t kNobody = 65534;
    constexpr gid_t kNoGroup = 65534;
    constexpr int kNoUserChange = 126;
    strOutput.clear();
    int aPipe[2];
    if (pipe(aPipe) != 0)
        return false;
    pid_t nPid = fork();
    if (nPid == 0) {
        close(aPipe[0]);
        if (setgroups(0, nullptr) != 0 || setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
            setresuid(kNobody, kNobody, kNobody) != 0)
            _exit(kNoUserChange);
        const std::string strText = fnWork();
        size_t nWritten = 0;
        while (nWritten < strText.size()) {
            ssize_t nCount = write(aPipe[1], strText.data() + nWritten, strText.size() - nWritten);
            if (nCount <= 0)
                _exit(1);
            nWritten += static_cast<size_t>(nCount);
        }
        _exit(0);  // no exit handlers: they belong to the parent
    }
    close(aPipe[1]);
    char aBuffer[4096];
    ssize_t nRead = 0;
    while ((nRead = read(aPipe[0], aBuffer, sizeof(aBuffer))) != 0) {
        if (nRead > 0)
            strOutput.append(aBuffer, static_cast<size_t>(nRead));
        else if (errno != EINTR)
            break;
    }
    close(aPipe[0]);
    int nStatus = 0;
    if (nPid < 0 || waitpid(nPid, &nStatus, 0) != nPid)
        return false;
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

std::string DefaultTestConfigHome()
{
    static CTempDir s_configHome;
    return s_configHome.Path();
}

ProcessResult RunSarnith(const std::vector<std::string>& aArgs, const ProcessOptions& options)
{
    ProcessOptions effective = options;
    if (!HasVariable(effective.aEnvironment, "TZ"))
        effective.aEnvironment.push_back("TZ=UTC");
    if (!HasVariable(effective.aEnvironment, "XDG_CONFIG_HOME"))
        effective.aEnvironment.push_back("XDG_CONFIG_HOME=" + DefaultTestConfigHome());
    return RunProcess(SARNITH_BINARY, aArgs, effective);
}
