// CLiveProcess: a child process whose output a test reads while it runs,
// line by line with the moment each line arrived, for programs that keep
// running (follow mode). The test can signal it, close its output pipe,
// measure the processor time it used and wait for its end.
//
// Standard error is collected alongside standard output. Ownership: the
// object owns the child: a child still running when it is destroyed is
// killed and waited for.
#ifndef SARNITH_TESTS_COMMON_LIVE_PROCESS_H
#define SARNITH_TESTS_COMMON_LIVE_PROCESS_H

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class CLiveProcess {
public:
    typedef std::chrono::steady_clock::time_point CMoment;

    struct CLine {
        std::string m_strText;  // without its line end
        CMoment m_arrivedAt;
    };

    CLiveProcess() = default;
    ~CLiveProcess();
    CLiveProcess(const CLiveProcess&) = delete;
    CLiveProcess& operator=(const CLiveProcess&) = delete;

    // Starts the program with the arguments; aEnvironment holds
    // "NAME=value" settings. False when it could not be started.
    bool Start(const std::string& strProgram, const std::vector<std::string>& aArgs,
               const std::vector<std::string>& aEnvironment);
    // Starts the sarnith binary with TZ=UTC and the tests' private settings folder.
    bool StartSarnith(const std::vector<std::string>& aArgs);

    // Reads what arrives until standard output holds nLines lines or the
    // timeout passes; true in the first case.
    bool WaitForLines(size_t nLines, std::chrono::milliseconds timeout);
    // Reads what arrives for the given time.
    void ReadFor(std::chrono::milliseconds duration);

    const std::vector<CLine>& Lines() const { return m_aLines; }
    // Standard output as it came, every byte.
    const std::string& Output() const { return m_strOutput; }
    const std::string& Errors() const { return m_strErrors; }

    void Signal(int nSignal) const;
    // Closes the test's end of the output pipe: the child's reader is gone.
    void CloseOutput();
    // Waits for the end; the exit code, or -1 when it did not exit normally
    // within the timeout (it is then killed). Reads the rest of the output.
    int WaitForExit(std::chrono::milliseconds timeout);
    // Processor time (user and system) the child has used so far, in seconds.
    double CpuSeconds() const;

private:
    void ReadAvailable(int nTimeoutMs);

    pid_t m_nPid = -1;
    int m_nOut = -1;
    int m_nErr = -1;
    std::string m_strOutput;
    std::string m_strPartial;  // output after the last line end
    std::string m_strErrors;
    std::vector<CLine> m_aLines;
};

#endif
