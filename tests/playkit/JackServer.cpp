#include "JackServer.h"

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace playkit_test {
namespace {
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr const char* kJackd = "jackd";

std::string UniqueName() {
    static std::atomic<int> count{0};
    return "padora-test-" + std::to_string(getpid()) + "-" + std::to_string(count++) + "-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000);
}

// The full path of a program on PATH (resolved before fork: the child only execs).
std::string Which(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

void Silent(const char*) {}

std::string LogPath(const std::string& name) {
    return "/tmp/" + name + ".jackd.log";
}

// The end of jackd's output, where it says why it stopped.
std::string LastLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    std::string text;
    for (std::size_t i = lines.size() > 3 ? lines.size() - 3 : 0; i < lines.size(); ++i)
        text += (text.empty() ? "" : " | ") + lines[i];
    return text.empty() ? "(no output)" : text;
}

bool Accepts(const std::string& name) {
    jack_status_t status{};
    jack_client_t* c =
        jack_client_open("padora-test-probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                         &status, name.c_str());
    if (!c)
        return false;
    jack_client_close(c);
    return true;
}
} // namespace

CJackServer::CJackServer(unsigned rate, unsigned period, unsigned playbackPorts)
    : m_name(UniqueName()), m_rate(rate), m_period(period), m_playbackPorts(playbackPorts) {}

CJackServer::~CJackServer() {
    Stop();
    std::remove(LogPath(m_name).c_str());
    if (!m_envSaved)
        return;
    if (m_hadServer)
        setenv("JACK_DEFAULT_SERVER", m_oldServer.c_str(), 1);
    else
        unsetenv("JACK_DEFAULT_SERVER");
    if (m_hadNoStart)
        setenv("JACK_NO_START_SERVER", m_oldNoStart.c_str(), 1);
    else
        unsetenv("JACK_NO_START_SERVER");
}

bool CJackServer::Start(std::string& error) {
    if (m_pid > 0)
        return true;
    const std::string jackd = Which(kJackd);
    if (jackd.empty()) {
        error = "jackd is not installed";
        return false;
    }
    // The client library reports every failed connection on stderr; probing fails until jackd is up.
    jack_set_error_function(Silent);
    jack_set_info_function(Silent);
    if (!m_envSaved) {
        m_envSaved = true;
        const char* server = std::getenv("JACK_DEFAULT_SERVER");
        const char* noStart = std::getenv("JACK_NO_START_SERVER");
        m_hadServer = server != nullptr;
        m_hadNoStart = noStart != nullptr;
        m_oldServer = server ? server : "";
        m_oldNoStart = noStart ? noStart : "";
    }
    setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    const std::string rate = std::to_string(m_rate), period = std::to_string(m_period);
    // -r before the driver: no real-time scheduling (refused in containers; not needed by a dummy).
    std::vector<std::string> args = {jackd, "-n", m_name, "-r",   "-d", "dummy",
                                     "-r",  rate, "-p",   period, "-P", std::to_string(m_playbackPorts)};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string logPath = LogPath(m_name);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = "fork failed";
        return false;
    }
    if (pid == 0) {
        // The server must not outlive a test that crashes or is killed. SIGTERM, not SIGKILL: a killed
        // jackd keeps its entry in JACK's machine-wide table of eight servers, and once eight are
        // kept no server starts on the machine ("Too many servers already active").
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
        }
        // Its errors are kept to say why, should it end at once.
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(log >= 0 ? log : null, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    m_pid = pid;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            m_pid = -1;
            error = "jackd exited at start: " + LastLines(logPath);
            return false;
        }
        if (Accepts(m_name))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error = "jackd did not take clients within 10 s";
    Stop();
    return false;
}

void CJackServer::Stop() {
    const pid_t pid = m_pid.exchange(-1);
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    kill(pid, SIGCONT); // a frozen server ends too
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            // Its entry stays in JACK's table: say so, since eight such entries stop every JACK test.
            std::fprintf(stderr, "jackd %s did not end within %lld s of SIGTERM; killing it\n",
                         m_name.c_str(), static_cast<long long>(kStopTimeout.count()));
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void CJackServer::Freeze() {
    if (const pid_t pid = m_pid.load(); pid > 0)
        kill(pid, SIGSTOP);
}

void CJackServer::Thaw() {
    if (const pid_t pid = m_pid.load(); pid > 0)
        kill(pid, SIGCONT);
}

void CJackServer::Abandon() {
    Thaw(); // a frozen server would not take its SIGTERM
    Stop();
    std::remove(LogPath(m_name).c_str());
}

} // namespace playkit_test
