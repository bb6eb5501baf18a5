#pragma once

#include "playkit/PlaykitExport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Control of the engine behind every CAdxShow: which output backend it uses, offline rendering for
// tests and measurements, and its counters. The engine is started lazily by the first Open and
// shut down when the process exits.
namespace playkit {

enum class AdxBackend {
    PortAudio, // the sound card (default); falls back to Null when no device can be opened
    Null,      // no device: a clock thread renders one period at a time in real time
    Offline,   // no thread: the caller renders with CAdxEngine::Render / RenderToWav
    WavFile,   // a thread renders into a WAV file as fast as the CPU allows while anything plays
    Record,    // like Null, and every frame rendered is also written to a WAV file
};

struct AdxEngineConfig {
    AdxBackend backend = AdxBackend::PortAudio;
    std::string device;          // PortAudio: a part of the device name; empty for the default
    std::string wavPath;         // WavFile, Record: the file written
    unsigned sampleRate = 48000; // output rate in Hz (PortAudio may choose the device's own)
    unsigned periodFrames = 256; // frames per block (device period of the null backend)
    unsigned pairs = 1;          // stereo output pairs (1 to kAdxMaxOutputPairs); channels are 2 * pairs
    // The cue (auditioned players): a second device by name ("record:FILE" records it), or else a pair
    // of the main output (1-based; 0: no cue pair). Without either, auditioned players are heard nowhere.
    std::string cueDevice;
    unsigned cuePair = 0;
};

// The most stereo pairs an output can have.
inline constexpr unsigned kAdxMaxOutputPairs = 16;

struct AdxEngineCounters {
    std::uint64_t callbacks = 0;     // blocks rendered
    std::uint64_t frames = 0;        // frames rendered
    std::uint64_t underruns = 0;     // blocks in which a playing voice had no decoded frames ready
    std::uint64_t deviceXruns = 0;   // output underflows reported by the device; on the null and record
                                     // clocks, blocks finished after the next one was due
    double callbackCpuSeconds = 0.0; // CPU time spent inside the render of all blocks
    double maxCallbackSeconds = 0.0; // longest single render
};

// An output device as PortAudio lists it.
struct AdxOutputDevice {
    std::string hostApi; // "ALSA", "JACK Audio Connection Kit", ...
    std::string name;    // what AdxEngineConfig::device names
    int channels = 0;    // output channels
    double defaultRate = 0.0;
    bool isDefault = false; // PortAudio's default output device
};

// Called on the device thread after each mixed block: interleaved float frames of `channels`
// channels (2 per output pair, pair 0 first), firstFrame counting frames rendered since the engine
// started. Must not block.
using AdxBlockTap = void (*)(void* user, const float* interleaved, std::size_t frames, std::size_t channels,
                             std::uint64_t firstFrame);

// How much a diagnostic line of the engine matters: Info for news (the device is back), Warning for
// trouble (a device lost, a recording cut short).
enum class AdxLogLevel { Info, Warning };
// Receives the engine's diagnostic lines, each starting "playkit: " and without a newline, on
// whichever engine thread has something to say (never a device thread inside its render).
using AdxLogSink = std::function<void(AdxLogLevel level, std::string_view line)>;

class PLAYKIT_API CAdxEngine {
public:
    // The configuration the environment asks for: PADORA_AUDIO = "portaudio[:DEVICE]" | "null" |
    // "wav:FILE" | "record:FILE" (default portaudio).
    static AdxEngineConfig ConfigFromEnvironment();
    // Any thread. Chooses the backend: before the first Open it is simply remembered; on a running
    // engine the output switches while players keep their state. Returns false when the chosen
    // device could not be opened (the engine then runs on the null backend).
    static bool Configure(const AdxEngineConfig& config);
    // Any thread. Where the engine's diagnostic lines go from now on, across restarts of the engine;
    // an empty sink (the start) writes them to standard error.
    static void SetLogSink(AdxLogSink sink);
    // The configuration in effect (after any fallback).
    static AdxEngineConfig Current();
    // Any thread but a device's. The output devices PortAudio sees now, in its order.
    static std::vector<AdxOutputDevice> OutputDevices();
    // Any thread. True while the chosen sound card is gone or could not be opened: the players go on
    // on the clock, and the engine tries to open the card again every two seconds and returns to it
    // on its own. A machine with no card at all (the default card asked for, none there) is not called
    // lost, though the card is looked for all the same.
    static bool OutputLost();
    // Any thread. The cue's second device did not open or went away (it is tried again as the main
    // output is); false without a cue device.
    static bool CueLost();
    // Offline backend only, on the caller's thread: mixes the next frames into out (interleaved
    // float, 2 * pairs * frames values). Decoders are waited for, and the notifier has delivered
    // every event and peak of the rendered frames when this returns. Returns false when the engine
    // is not in offline mode.
    static bool Render(float* out, std::size_t frames);
    // Offline backend only: renders the next frames into a 16-bit WAV file of every output channel.
    static bool RenderToWav(const char* path, std::size_t frames);
    // The output sample rate of the engine.
    static unsigned SampleRate();
    // Any thread. The stereo pairs the output has now (a device with fewer channels than asked for
    // gives fewer).
    static unsigned OutputPairs();
    // Any thread but the device's; pass nullptr to remove. On a live backend it returns once the
    // device thread runs the new tap with its user pointer: the old ones are no longer called.
    // False when the device took no block for seconds (the old tap may still be called).
    static bool SetBlockTap(AdxBlockTap tap, void* user);
    // Any thread but the device's and the notifier's. Frees the closed players' voices (decoders,
    // MIDI synths, buffers) now rather than on the next notifier pass, waiting up to maxWaitMs for
    // the device to let go of them. A group's players closed this way leave their memory to the
    // next group's, instead of both being held at once. False when some are still held; they are
    // freed later as usual. Offline, the caller's next Render lets go of them: nothing is waited for.
    static bool FreeClosedPlayers(unsigned maxWaitMs);
    static AdxEngineCounters Counters();
    static void ResetCounters();
    // Stops the engine's threads and the device now (also done at exit). Players must be closed.
    static void Shutdown();
};

} // namespace playkit
