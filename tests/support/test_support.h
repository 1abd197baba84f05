#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace moorix::test {

// A fresh folder under the system's temporary directory, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    // Writes the file `name`, with the folders on its way.
    void write(const std::string& name, const std::string& bytes) const;

private:
    std::string m_path;
};

// A process the test started, in a process group of its own; the whole group is killed and the
// process reaped when the object goes away, so nothing a test started outlives it.
class Child {
public:
    struct Options {
        std::string cwd = {};
        bool captureStdout = true;
        std::map<std::string, std::string> env = {}; // on top of this process's environment
    };
    Child(const std::vector<std::string>& argv, const Options& options);
    explicit Child(const std::vector<std::string>& argv) : Child(argv, Options{}) {}
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return m_pid; }
    // The next line of the child's standard output, or empty after `seconds` or at its end.
    std::string readLine(double seconds = 10);
    bool alive();
    // Exit status after the child ended on its own within `seconds`; -1 when it did not.
    int waitExit(double seconds);
    void kill();

private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_reaped = false;
    int m_status = 0;
    std::string m_buffer;
};

struct RunResult {
    std::string out;
    int status = -1;
};

// Runs the built moorix executable with `args`, extra environment on top of this process's.
RunResult runMoorix(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {});
// Runs the program at the absolute path argv[0] the same way.
RunResult runCommand(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env = {});

// The real python interpreter (not a wrapper script), whose name a symbolic link can change.
std::string pythonBinary();
std::string supportScript(const std::string& name);
// A symbolic link `dir/name` to the python interpreter: processes started through it are named `name`.
std::string pythonNamed(const TempDir& dir, const std::string& name);

// The argument vector that runs tests/support/listener.py with `extra` options.
std::vector<std::string> listener(const std::vector<std::string>& extra = {});
// The port a listener printed when it started listening.
std::int64_t listeningPort(Child& listener);

bool waitUntil(const std::function<bool()>& condition, double seconds);

// The text's lines, without their line feeds.
std::vector<std::string> lines(const std::string& text);
// The whole file, or empty when it cannot be read.
std::string readFile(const std::string& path);
// An executable shell script at `path` that writes its arguments, one a line, to `record`, then runs `body`.
std::string script(const std::string& path, const std::string& record, const std::string& body = "");

// A loopback port that nothing listens on (bound, then released).
int unusedLoopbackPort();

} // namespace moorix::test
