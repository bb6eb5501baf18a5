#include "InputCache.h"

#include "MidiSong.h"
#include "WavFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string Fmt(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::file_size(path, ec) > 0 && !ec;
}

bool Commit(const std::string& tmp, const std::string& path) {
    std::error_code ec;
    fs::rename(tmp, path, ec);
    if (ec)
        std::fprintf(stderr, "cannot rename %s: %s\n", tmp.c_str(), ec.message().c_str());
    return !ec;
}

} // namespace

int RunProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

CInputCache::CInputCache() {
    if (const char* dir = std::getenv("PADORA_BENCH_DIR"); dir && *dir)
        m_strDir = dir;
    else
        m_strDir = (fs::temp_directory_path() / "padora-bench").string();
    std::error_code ec;
    fs::create_directories(m_strDir, ec);
    m_bOk = !ec;
    if (ec)
        std::fprintf(stderr, "cannot create %s: %s\n", m_strDir.c_str(), ec.message().c_str());
}

std::string CInputCache::Audio(const std::string& name, const std::string& lavfiSource, double seconds) {
    const std::string path = m_strDir + "/" + name;
    if (Exists(path))
        return path;
    const std::string ext = path.substr(path.rfind('.') + 1);
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                                     "-f",     "lavfi",    "-i",           lavfiSource, "-t",    Fmt(seconds),
                                     "-ar",    "44100",    "-ac",          "2"};
    if (ext == "mp3")
        args.insert(args.end(), {"-c:a", "libmp3lame", "-q:a", "2"});
    else if (ext == "ogg")
        args.insert(args.end(), {"-c:a", "libvorbis", "-q:a", "4"});
    else
        args.insert(args.end(), {"-c:a", "pcm_s16le"});
    const std::string tmp = m_strDir + "/tmp." + name;
    args.insert(args.end(), {"-fflags", "+bitexact", "-flags:a", "+bitexact", tmp});
    std::fprintf(stderr, "generating %s ...\n", path.c_str());
    if (RunProgram(args) != 0) {
        std::fprintf(stderr, "ffmpeg could not make %s (is the ffmpeg command installed?)\n", path.c_str());
        return {};
    }
    return Commit(tmp, path) ? path : std::string();
}

std::string CInputCache::Music(const std::string& ext, double seconds) {
    // A chord under slow tremolo with a little pink noise: a tonal file that codecs
    // treat like music rather than like digital silence.
    const std::string source =
        "aevalsrc=0.2*(sin(2*PI*261.63*t)+sin(2*PI*329.63*t))*(0.7+0.3*sin(2*PI*0.5*t))|"
        "0.2*(sin(2*PI*220*t)+sin(2*PI*392*t))*(0.7+0.3*cos(2*PI*0.3*t)):s=44100:d=" +
        Fmt(seconds);
    return Audio("music_" + Fmt(seconds) + "s." + ext, source, seconds);
}

std::string CInputCache::Midi(double seconds) {
    const std::string path = m_strDir + "/song_" + Fmt(seconds) + "s.mid";
    if (Exists(path))
        return path;
    const auto bytes = MakeMidiSong(seconds);
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", tmp.c_str());
            return {};
        }
    }
    return Commit(tmp, path) ? path : std::string();
}

std::string CInputCache::Sine(double frequency, int rate, double seconds, double amplitude) {
    const std::string path = m_strDir + "/sine_" + Fmt(frequency) + "Hz_" + std::to_string(rate) + "_" +
                             Fmt(seconds) + "s_tpdf.wav";
    if (Exists(path))
        return path;
    const std::string tmp = path + ".tmp";
    CWavWriter writer;
    if (!writer.Open(tmp, 2, rate)) {
        std::fprintf(stderr, "cannot write %s\n", tmp.c_str());
        return {};
    }
    const long frames = std::lround(seconds * rate);
    std::vector<int16_t> block;
    // Triangular dither turns the 16-bit rounding error into plain noise: undithered, a pure
    // tone's error repeats with it and shows up as spurs that a resampler did not make.
    std::minstd_rand random(1);
    std::uniform_real_distribution<double> lsb(-0.5 / 32768, 0.5 / 32768);
    for (long i = 0; i < frames; ++i) {
        const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(i) / rate;
        const double dither = lsb(random) + lsb(random);
        const int16_t s = ToPcm16(static_cast<float>(amplitude * std::sin(phase) + dither));
        block.insert(block.end(), {s, s});
        if (block.size() >= 8192 || i + 1 == frames) {
            writer.Write(block);
            block.clear();
        }
    }
    if (!writer.Close()) {
        std::fprintf(stderr, "cannot write %s\n", tmp.c_str());
        return {};
    }
    return Commit(tmp, path) ? path : std::string();
}
