// padora: the command-line triggers are answered here, with nothing but the C++ runtime loaded, so that
// a key binding's run is over in a millisecond or two; every other run becomes the window program
// beside this one, which takes the process over (same process id, same arguments, same exit status).
#include "app/remote/TriggerClient.h"
#include "app/remote/TriggerRequest.h"
#include "app/remote/TriggerTexts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kWindowProgram = "padora-window";
constexpr int kExitCannotStart = 1;

// The window program in the directory of this one (in the build tree and in an installed prefix).
std::string WindowProgramPath() {
    std::vector<char> self(4096);
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (n <= 0)
        return kWindowProgram;
    std::string dir(self.data(), static_cast<size_t>(n));
    const size_t slash = dir.rfind('/');
    return slash == std::string::npos ? std::string(kWindowProgram)
                                      : dir.substr(0, slash + 1) + kWindowProgram;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (CTriggerRequest::FromArguments(args).result != CTriggerRequest::Parsed::Result::None)
        return CTriggerClient::Main(args, stdout, stderr);
    const std::string window = WindowProgramPath();
    ::execv(window.c_str(), argv);
    const int error = errno;
    const std::string line = CTriggerTexts::ForUser().Say(
        {PADORA_TRANSLATE_NOOP("CTriggerClient", "%1 を起動できません: %2"), {window, std::strerror(error)}});
    std::fprintf(stderr, "padora: %s\n", line.c_str());
    return kExitCannotStart;
}
