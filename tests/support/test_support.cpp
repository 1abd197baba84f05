#include "tests/support/test_support.h"

#include "core/platform/platform.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace moorix::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "moorix-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = fs::canonical(pattern).string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    fs::create_directories(fs::path(file(name)).parent_path());
    std::ofstream(file(name), std::ios::binary) << bytes;
}

namespace {

// The strings as the null-ended array of pointers that exec takes.
std::vector<char*> pointersTo(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (const auto& text : strings) pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Starts `argv` in a process group of its own, with `env` on top of this process's environment.
pid_t spawn(const std::vector<std::string>& argv, const std::string& cwd, int stdoutFd,
            const std::map<std::string, std::string>& env) {
    std::vector<std::string> environment;
    for (char** item = environ; *item; ++item) {
        const std::string entry = *item;
        if (!env.contains(entry.substr(0, entry.find('=')))) environment.push_back(entry);
    }
    for (const auto& [name, value] : env) environment.push_back(name + "=" + value);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, pointersTo(argv).data(),
                                 pointersTo(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
    return pid;
}

} // namespace

Child::Child(const std::vector<std::string>& argv, const Options& options) {
    int fds[2] = {-1, -1};
    if (options.captureStdout && !platform::makePipe(fds)) throw std::runtime_error("pipe failed");
    m_pid = spawn(argv, options.cwd, fds[1], options.env);
    if (fds[1] >= 0) ::close(fds[1]);
    m_out = fds[0];
}

Child::~Child() {
    kill();
    if (m_out >= 0) ::close(m_out);
}

std::string Child::readLine(double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (auto end = m_buffer.find('\n'); end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (m_out < 0 || left <= 0) return {};
        pollfd pfd{m_out, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left)) <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n <= 0) return {};
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

bool Child::alive() {
    if (!m_reaped && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_reaped = true;
    return !m_reaped;
}

int Child::waitExit(double seconds) {
    if (!waitUntil([&] { return !alive(); }, seconds)) return -1;
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
}

void Child::kill() {
    ::kill(-m_pid, SIGKILL);
    while (!m_reaped && ::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) continue;
    m_reaped = true;
}

RunResult runMoorix(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    std::vector<std::string> argv{MOORIX_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, env);
}

RunResult runCommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env) {
    int fds[2];
    if (!platform::makePipe(fds)) throw std::runtime_error("pipe failed");
    const pid_t pid = spawn(argv, {}, fds[1], env);
    ::close(fds[1]);
    RunResult result;
    char chunk[65536];
    for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR);)
        if (n > 0) result.out.append(chunk, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string pythonBinary() {
    static const std::string path = [] {
        for (const char* candidate :
             {"/usr/bin/python3", "/usr/local/bin/python3", "/opt/homebrew/bin/python3"})
            if (fs::exists(candidate)) return fs::canonical(candidate).string();
        throw std::runtime_error("no python3 interpreter found");
    }();
    return path;
}

std::string supportScript(const std::string& name) { return MOORIX_TEST_SUPPORT_DIR "/" + name; }

std::string pythonNamed(const TempDir& dir, const std::string& name) {
    const std::string link = dir.file(name);
    fs::create_symlink(pythonBinary(), link);
    return link;
}

std::vector<std::string> listener(const std::vector<std::string>& extra) {
    std::vector<std::string> argv{pythonBinary(), supportScript("listener.py")};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
}

std::int64_t listeningPort(Child& listener) {
    const std::string line = listener.readLine();
    if (line.empty()) throw std::runtime_error("the listener did not start");
    return std::stoll(line);
}

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string script(const std::string& path, const std::string& record, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record << "'\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

int unusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(fd);
    if (!bound) throw std::runtime_error("no free loopback port");
    return ntohs(address.sin_port);
}

} // namespace moorix::test
