// The live child process: fork and exec with two pipes, polling reads that
// note when each output line arrived, signals, and the processor time from
// /proc.
#include "tests/common/live_process.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/common/process_runner.h"

namespace {

typedef std::chrono::steady_clock CClock;

}  // namespace

CLiveProcess::~CLiveProcess()
{
    if (m_nPid > 0) {
        kill(m_nPid, SIGKILL);
        waitpid(m_nPid, nullptr, 0);
    }
    for (int nFd : {m_nOut, m_nErr})
        if (nFd >= 0)
            close(nFd);
}

bool CLiveProcess::Start(const std::string& strProgram, const std::vector<std::string>& aArgs,
                         const std::vector<std::string>& aEnvironment)
{
    int aOut[2];
    int aErr[2];
    if (pipe(aOut) != 0 || pipe(aErr) != 0)
        return false;
    signal(SIGPIPE, SIG_IGN);
    m_nPid = fork();
    if (m_nPid == 0) {
        dup2(aOut[1], 1);
        dup2(aErr[1], 2);
        for (int nFd : {aOut[0], aOut[1], aErr[0], aErr[1]})
            close(nFd);
        ExecProgram(strProgram, aArgs, aEnvironment);
    }
    close(aOut[1]);
    close(aErr[1]);
    m_nOut = aOut[0];
    m_nErr = aErr[0];
    return m_nPid > 0;
}

bool CLiveProcess::StartSarnith(const std::vector<std::string>& aArgs)
{
    return Start(SARNITH_BINARY, aArgs, {"TZ=UTC", "XDG_CONFIG_HOME=" + DefaultTestConfigHome()});
}

// Reads whatever the pipes hold, waiting at most nTimeoutMs for the first bytes.
void CLiveProcess::ReadAvailable(int nTimeoutMs)
{
    struct pollfd aPoll[2] = {{m_nOut, POLLIN, 0}, {m_nErr, POLLIN, 0}};
    if (poll(aPoll, 2, nTimeoutMs) <= 0)
        return;
    char aBuffer[65536];
    if ((aPoll[0].revents & (POLLIN | POLLHUP)) != 0) {
        ssize_t nRead = read(m_nOut, aBuffer, sizeof(aBuffer));
        if (nRead > 0) {
            CMoment now = CClock::now();
            m_strOutput.append(aBuffer, static_cast<size_t>(nRead));
            m_strPartial.append(aBuffer, static_cast<size_t>(nRead));
            for (size_t nEnd; (nEnd = m_strPartial.find('\n')) != std::string::npos;) {
                m_aLines.push_back({m_strPartial.substr(0, nEnd), now});
                m_strPartial.erase(0, nEnd + 1);
            }
        } else if (nRead == 0) {
            close(m_nOut);
            m_nOut = -1;
        }
    }
    if ((aPoll[1].revents & (POLLIN | POLLHUP)) != 0) {
        ssize_t nRead = read(m_nErr, aBuffer, sizeof(aBuffer));
        if (nRead > 0) {
            m_strErrors.append(aBuffer, static_cast<size_t>(nRead));
        } else if (nRead == 0) {
            close(m_nErr);
            m_nErr = -1;
        }
    }
}

bool CLiveProcess::WaitForLines(size_t nLines, std::chrono::milliseconds timeout)
{
    CMoment deadline = CClock::now() + timeout;
    while (m_aLines.size() < nLines) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - CClock::now()).count();
        if (left <= 0 || (m_nOut < 0 && m_nErr < 0))
            return false;
        ReadAvailable(static_cast<int>(left));
    }
    return true;
}

void CLiveProcess::ReadFor(std::chrono::milliseconds duration)
{
    CMoment deadline = CClock::now() + duration;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - CClock::now()).count();
        if (left <= 0)
            return;
        if (m_nOut < 0 && m_nErr < 0) {
            usleep(static_cast<useconds_t>(left) * 1000);
            return;
        }
        ReadAvailable(static_cast<int>(left));
    }
}

void CLiveProcess::Signal(int nSignal) const
{
    if (m_nPid > 0)
        kill(m_nPid, nSignal);
}

void CLiveProcess::CloseOutput()
{
    if (m_nOut >= 0)
        close(m_nOut);
    m_nOut = -1;
}

int CLiveProcess::WaitForExit(std::chrono::milliseconds timeout)
{
    CMoment deadline = CClock::now() + timeout;
    for (;;) {
        int nStatus = 0;
        pid_t nDone = waitpid(m_nPid, &nStatus, WNOHANG);
        if (nDone == m_nPid) {
            m_nPid = -1;
            while (m_nOut >= 0 || m_nErr >= 0)
                ReadAvailable(1000);
            return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
        }
        if (CClock::now() > deadline) {
            kill(m_nPid, SIGKILL);
            waitpid(m_nPid, nullptr, 0);
            m_nPid = -1;
            return -1;
        }
        if (m_nOut >= 0 || m_nErr >= 0)
            ReadAvailable(20);
        else
            usleep(20000);
    }
}

double CLiveProcess::CpuSeconds() const
{
    std::ifstream stat("/proc/" + std::to_string(m_nPid) + "/stat");
    std::string strStat((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name (in parentheses, which may hold blanks).
    size_t nAfterName = strStat.rfind(')');
    if (nAfterName == std::string::npos)
        return -1;
    std::istringstream fields(strStat.substr(nAfterName + 2));
    std::string strField;
    unsigned long long nUser = 0;
    unsigned long long nSystem = 0;
    // state is field 3, utime 14 and stime 15 of the whole line.
    for (int nField = 3; nField <= 15 && fields >> strField; ++nField) {
        if (nField == 14)
            nUser = std::strtoull(strField.c_str(), nullptr, 10);
        if (nField == 15)
            nSystem = std::strtoull(strField.c_str(), nullptr, 10);
    }
    return static_cast<double>(nUser + nSystem) / static_cast<double>(sysconf(_SC_CLK_TCK));
}
