#include "PipeWireServer.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <glob.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace playkit_test {
namespace {
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr const char* kPipeWire = "pipewire";
constexpr const char* kWirePlumber = "wireplumber";
constexpr const char* kRecord = "pw-record";
constexpr const char* kJackLibraryGlob = "/usr/lib/*/pipewire-0.3/jack/libjack.so.0";
// A 16-bit stereo WAV header as pw-record (libsndfile) writes it, and one second of frames after it.
constexpr std::size_t kWavHeader = 44;
constexpr std::size_t kFrameBytes = 4;

std::string UniqueName() {
    static std::atomic<int> count{0};
    return "padora-pw-" + std::to_string(getpid()) + "-" + std::to_string(count++) + "-" +
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

// This process's environment with some variables set and some removed, made before fork.
class CEnvironment {
public:
    CEnvironment(const std::vector<std::pair<std::string, std::string>>& set,
                 const std::vector<std::string>& remove) {
        auto named = [](const std::string& entry, const std::string& name) {
            return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
                   entry[name.size()] == '=';
        };
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            bool drop = false;
            for (const auto& [name, value] : set)
                drop = drop || named(entry, name);
            for (const auto& name : remove)
                drop = drop || named(entry, name);
            if (!drop)
                m_entries.push_back(entry);
        }
        for (const auto& [name, value] : set)
            m_entries.push_back(name + "=" + value);
        for (auto& e : m_entries)
            m_pointers.push_back(e.data());
        m_pointers.push_back(nullptr);
    }
    char** Get() { return m_pointers.data(); }

private:
    std::vector<std::string> m_entries;
    std::vector<char*> m_pointers;
};

// Starts a program that dies with the test process, its output (stdout and stderr) in log.
pid_t Spawn(std::vector<std::string> args, CEnvironment& env, const std::string& log, int deathSignal) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    char** envp = env.Get();
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, deathSignal);
    if (getppid() != parent)
        _exit(127);
    const int null = open("/dev/null", O_RDWR);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (null >= 0)
        dup2(null, STDIN_FILENO);
    dup2(out >= 0 ? out : null, STDOUT_FILENO);
    dup2(out >= 0 ? out : null, STDERR_FILENO);
    execve(argv[0], argv.data(), envp);
    _exit(127);
}

// Ends a child with sig, then SIGKILL after the timeout, and reaps it.
void End(std::atomic<pid_t>& child, int sig, const char* what) {
    const pid_t pid = child.exchange(-1);
    if (pid <= 0)
        return;
    kill(pid, sig);
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "%s did not end within %lld s; killing it\n", what,
                         static_cast<long long>(kStopTimeout.count()));
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

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

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

// A fresh folder of the server's own; empty when none could be made.
std::string MakeDir() {
    char tmpl[] = "/tmp/padora-pipewire-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? dir : "";
}

void Restore(const char* name, bool had, const std::string& value) {
    if (had)
        setenv(name, value.c_str(), 1);
    else
        unsetenv(name);
}
} // namespace

CPipeWireServer::CPipeWireServer(unsigned rate, unsigned quantum)
    : m_dir(MakeDir()), m_runtimeDir(m_dir + "/run"), m_remote(UniqueName()), m_rate(rate),
      m_quantum(quantum) {}

CPipeWireServer::~CPipeWireServer() {
    Stop();
    std::error_code ignored;
    if (!m_dir.empty())
        std::filesystem::remove_all(m_dir, ignored);
    if (!m_envSaved)
        return;
    Restore("PIPEWIRE_RUNTIME_DIR", m_hadDir, m_oldDir);
    Restore("PIPEWIRE_REMOTE", m_hadRemote, m_oldRemote);
}

bool CPipeWireServer::Installed() {
    return !Which(kPipeWire).empty() && !Which(kWirePlumber).empty() && !Which(kRecord).empty();
}

std::string CPipeWireServer::JackLibraryDir() {
    glob_t found{};
    std::string dir;
    if (glob(kJackLibraryGlob, 0, nullptr, &found) == 0 && found.gl_pathc > 0)
        dir = std::filesystem::path(found.gl_pathv[0]).parent_path().string();
    globfree(&found);
    return dir;
}

bool CPipeWireServer::JackIsPipeWire() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("pipewire-0.3/jack/libjack") != std::string::npos)
            return true;
    return false;
}

// The server: protocol, a dummy driver and the null sink, at one fixed quantum (its minimum and
// maximum too, so that no client's wish changes it). WirePlumber: its policy and default nodes only;
// the device monitors, the device reservation and the portal's permission store want D-Bus or cards.
bool CPipeWireServer::WriteConfig(std::string& error) const {
    if (m_dir.empty()) {
        error = "cannot make a folder for the server under /tmp";
        return false;
    }
    const std::string rate = std::to_string(m_rate), quantum = std::to_string(m_quantum);
    const std::string server =
        "context.properties = {\n"
        "    core.daemon = true\n"
        "    core.name = " +
        m_remote +
        "\n"
        "    support.dbus = false\n"
        "    mem.allow-mlock = false\n"
        "    default.clock.rate = " +
        rate +
        "\n"
        "    default.clock.allowed-rates = [ " +
        rate +
        " ]\n"
        "    default.clock.quantum = " +
        quantum + "\n    default.clock.min-quantum = " + quantum +
        "\n    default.clock.max-quantum = " + quantum +
        "\n"
        "}\n"
        "context.spa-libs = {\n"
        "    audio.convert.* = audioconvert/libspa-audioconvert\n"
        "    support.* = support/libspa-support\n"
        "}\n"
        "context.modules = [\n"
        "    { name = libpipewire-module-protocol-native }\n"
        "    { name = libpipewire-module-metadata }\n"
        "    { name = libpipewire-module-spa-node-factory }\n"
        "    { name = libpipewire-module-client-node }\n"
        "    { name = libpipewire-module-client-device }\n"
        "    { name = libpipewire-module-access }\n"
        "    { name = libpipewire-module-adapter }\n"
        "    { name = libpipewire-module-link-factory }\n"
        "    { name = libpipewire-module-session-manager }\n"
        "]\n"
        "context.objects = [\n"
        "    { factory = spa-node-factory args = { factory.name = support.node.driver\n"
        "      node.name = Dummy-Driver node.group = pipewire.dummy priority.driver = "
        "20000 } }\n"
        "    { factory = adapter args = { factory.name = support.null-audio-sink\n"
        "      node.name = " +
        kSinkName + " node.description = " + kSinkName +
        "\n"
        "      media.class = Audio/Sink audio.position = [ FL FR ] audio.rate = " +
        rate +
        "\n"
        "      monitor.channel-volumes = true object.linger = true } }\n"
        "]\n";
    const std::string session = "context.properties = {\n"
                                "    log.level = 2\n"
                                "    wireplumber.script-engine = lua-scripting\n"
                                "}\n"
                                "context.spa-libs = {\n"
                                "    audio.convert.* = audioconvert/libspa-audioconvert\n"
                                "    support.* = support/libspa-support\n"
                                "}\n"
                                "context.modules = [\n"
                                "    { name = libpipewire-module-protocol-native }\n"
                                "    { name = libpipewire-module-client-node }\n"
                                "    { name = libpipewire-module-client-device }\n"
                                "    { name = libpipewire-module-adapter }\n"
                                "    { name = libpipewire-module-metadata }\n"
                                "    { name = libpipewire-module-session-manager }\n"
                                "]\n"
                                "wireplumber.components = [\n"
                                "    { name = libwireplumber-module-lua-scripting, type = module }\n"
                                "    { name = main.lua, type = config/lua }\n"
                                "    { name = policy.lua, type = config/lua }\n"
                                "]\n";
    const std::string monitors = "alsa_monitor.enabled = false\n"
                                 "v4l2_monitor.enabled = false\n"
                                 "libcamera_monitor.enabled = false\n"
                                 "default_access.properties[\"enable-flatpak-portal\"] = false\n";
    std::error_code ec;
    std::filesystem::create_directories(m_runtimeDir, ec);
    std::filesystem::create_directories(m_dir + "/config/wireplumber/main.lua.d", ec);
    std::filesystem::create_directories(m_dir + "/state", ec);
    if (ec || !WriteFile(m_dir + "/pipewire.conf", server) ||
        !WriteFile(m_dir + "/config/wireplumber/wireplumber.conf", session) ||
        !WriteFile(m_dir + "/config/wireplumber/main.lua.d/60-no-devices.lua", monitors)) {
        error = "cannot write the configuration under " + m_dir;
        return false;
    }
    return true;
}

bool CPipeWireServer::SinkIsDefault() const {
    const std::string command = "pw-metadata -n default 0 default.audio.sink 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (!out)
        return false;
    std::string text;
    char buf[512];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, out))
        text.append(buf, n);
    pclose(out);
    return text.find(std::string("\"name\":\"") + kSinkName + "\"") != std::string::npos;
}

bool CPipeWireServer::Start(std::string& error) {
    if (m_server > 0)
        return true;
    const std::string pipewire = Which(kPipeWire), wireplumber = Which(kWirePlumber);
    if (pipewire.empty() || wireplumber.empty()) {
        error = "pipewire or wireplumber is not installed";
        return false;
    }
    if (!WriteConfig(error))
        return false;
    if (!m_envSaved) {
        m_envSaved = true;
        const char* dir = std::getenv("PIPEWIRE_RUNTIME_DIR");
        const char* remote = std::getenv("PIPEWIRE_REMOTE");
        m_hadDir = dir != nullptr;
        m_hadRemote = remote != nullptr;
        m_oldDir = dir ? dir : "";
        m_oldRemote = remote ? remote : "";
    }
    setenv("PIPEWIRE_RUNTIME_DIR", m_runtimeDir.c_str(), 1);
    setenv("PIPEWIRE_REMOTE", m_remote.c_str(), 1);
    // No D-Bus session and no login session: WirePlumber then leaves out what would need them.
    CEnvironment env({{"XDG_RUNTIME_DIR", m_runtimeDir},
                      {"PIPEWIRE_RUNTIME_DIR", m_runtimeDir},
                      {"PIPEWIRE_REMOTE", m_remote},
                      {"XDG_CONFIG_HOME", m_dir + "/config"},
                      {"XDG_STATE_HOME", m_dir + "/state"}},
                     {"DBUS_SESSION_BUS_ADDRESS", "PIPEWIRE_CORE", "WIREPLUMBER_CONFIG_DIR"});
    const std::string serverLog = m_dir + "/pipewire.log", sessionLog = m_dir + "/wireplumber.log";
    const pid_t server = Spawn({pipewire, "-c", m_dir + "/pipewire.conf"}, env, serverLog, SIGKILL);
    if (server < 0) {
        error = "fork failed";
        return false;
    }
    m_server = server;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    const std::string socket = m_runtimeDir + "/" + m_remote;
    while (access(socket.c_str(), F_OK) != 0) {
        if (Exited(server) || std::chrono::steady_clock::now() > deadline) {
            m_server = -1;
            kill(server, SIGKILL);
            waitpid(server, nullptr, 0);
            error = "pipewire did not start: " + LastLines(serverLog);
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    const pid_t session = Spawn({wireplumber}, env, sessionLog, SIGKILL);
    m_session = session;
    while (!SinkIsDefault()) {
        const bool exited = Exited(session);
        if (exited || std::chrono::steady_clock::now() > deadline) {
            if (exited)
                m_session = -1; // reaped already
            error = "wireplumber did not take the sink: " + LastLines(sessionLog);
            Stop();
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

void CPipeWireServer::Stop() {
    End(m_session, SIGTERM, "wireplumber");
    End(m_server, SIGTERM, "pipewire");
}

CPipeWireRecorder::CPipeWireRecorder(std::string path) : m_path(std::move(path)) {}

CPipeWireRecorder::~CPipeWireRecorder() {
    Stop();
    std::remove(m_path.c_str());
}

bool CPipeWireRecorder::Start(const CPipeWireServer& server, std::string& error) {
    const std::string record = Which(kRecord);
    if (record.empty()) {
        error = "pw-record is not installed";
        return false;
    }
    CEnvironment env({}, {});
    std::remove(m_path.c_str());
    const std::string log = m_path + ".log";
    m_pid = Spawn({record, "--target", CPipeWireServer::kSinkName, "--rate", std::to_string(server.Rate()),
                   "--channels", "2", "--format", "s16", m_path},
                  env, log, SIGINT);
    if (m_pid < 0) {
        error = "fork failed";
        return false;
    }
    // Writing once frames flow: a tenth of a second of them.
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    const std::uintmax_t ready = kWavHeader + kFrameBytes * server.Rate() / 10;
    std::error_code ec;
    while (std::filesystem::file_size(m_path, ec) < ready || ec) {
        if (Exited(m_pid) || std::chrono::steady_clock::now() > deadline) {
            error = "pw-record did not record: " + LastLines(log);
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    std::remove(log.c_str());
    return true;
}

std::vector<float> CPipeWireRecorder::Stop() {
    std::atomic<pid_t> pid{m_pid};
    m_pid = -1;
    End(pid, SIGINT, "pw-record");
    std::ifstream in(m_path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> out;
    // The chunks after RIFF/WAVE: the samples are in "data".
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        std::uint32_t size;
        std::memcpy(&size, b.data() + at + 4, 4);
        if (std::memcmp(b.data() + at, "data", 4) == 0) {
            const std::size_t end = std::min(b.size(), at + 8 + static_cast<std::size_t>(size));
            for (std::size_t i = at + 8; i + 2 <= end; i += 2) {
                std::int16_t v;
                std::memcpy(&v, b.data() + i, 2);
                out.push_back(v / 32768.0f);
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return out;
}

} // namespace playkit_test
