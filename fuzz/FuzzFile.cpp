#include "FuzzFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fuzz {

namespace {
// The folder of this process's inputs, removed at exit.
struct InputFolder {
    std::string path;
    InputFolder() {
        const char* shm = "/dev/shm";
        path = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path().string();
        path += "/padora-fuzz-" + std::to_string(getpid());
        std::filesystem::create_directories(path);
    }
    ~InputFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};
} // namespace

std::string WriteInput(const std::uint8_t* data, std::size_t size, const char* suffix) {
    static const InputFolder folder;
    const std::string path = folder.path + "/input" + suffix;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    return path;
}

} // namespace fuzz
