#include "playkit/AdxSynthPool.h"

#include <cstdlib>
#include <cstring>
#include <fluidsynth.h>
#include <fstream>
#include <pthread.h>

namespace playkit {
namespace {
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kSoundFontVariable = "PADORA_SOUNDFONT";
// FluidSynth's own default (0.2) leaves a General MIDI piano line at velocity 100 near -25 dBFS,
// some 30 dB under the other media of a show; at this gain it peaks near -11 dBFS. Dense
// arrangements are kept from clipping by the MIDI source's limiter.
constexpr double kSynthGain = 1.1;

// The wrapper hands out the master font's presets; it owns nothing but itself.
const char* WrapName(fluid_sfont_t* s) {
    return fluid_sfont_get_name(static_cast<fluid_sfont_t*>(fluid_sfont_get_data(s)));
}
fluid_preset_t* WrapPreset(fluid_sfont_t* s, int bank, int prog) {
    return fluid_sfont_get_preset(static_cast<fluid_sfont_t*>(fluid_sfont_get_data(s)), bank, prog);
}
void WrapIterStart(fluid_sfont_t* s) {
    fluid_sfont_iteration_start(static_cast<fluid_sfont_t*>(fluid_sfont_get_data(s)));
}
fluid_preset_t* WrapIterNext(fluid_sfont_t* s) {
    return fluid_sfont_iteration_next(static_cast<fluid_sfont_t*>(fluid_sfont_get_data(s)));
}
int WrapFree(fluid_sfont_t* s) {
    delete_fluid_sfont(s);
    return 0;
}
} // namespace

std::string CAdxSynthPool::SoundFontPath() {
    const char* env = std::getenv(kSoundFontVariable);
    return env && *env ? env : kDefaultSoundFont;
}

CAdxSynthPool::CAdxSynthPool(int sampleRate) : m_rate(sampleRate) {
    // FluidSynth reports to stderr by default; a player reports through its results instead.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    m_settings = new_fluid_settings();
    if (m_settings) {
        fluid_settings_setnum(m_settings, "synth.sample-rate", m_rate);
        fluid_settings_setint(m_settings, "synth.cpu-cores", 1);
        fluid_settings_setnum(m_settings, "synth.gain", kSynthGain);
        fluid_settings_setint(m_settings, "synth.lock-memory", 0);
        // The player must follow the frames we render, not the wall clock.
        fluid_settings_setstr(m_settings, "player.timing-source", "sample");
    }
    m_loader = std::thread([this] { Load(); });
}

CAdxSynthPool::~CAdxSynthPool() {
    m_loader.join();
    for (fluid_synth_t* s : m_idle)
        delete_fluid_synth(s);
    if (m_master)
        delete_fluid_synth(m_master);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

bool CAdxSynthPool::SoundFontReadable() {
    std::ifstream in(SoundFontPath(), std::ios::binary);
    char head[4] = {};
    return in.read(head, sizeof head) && std::memcmp(head, "RIFF", 4) == 0;
}

void CAdxSynthPool::Load() {
    pthread_setname_np(pthread_self(), "pk-soundfont");
    // The slow part runs unlocked: players meanwhile open, and are rendered, without a synth.
    fluid_synth_t* master = m_settings ? new_fluid_synth(m_settings) : nullptr;
    fluid_sfont_t* font = nullptr;
    if (master) {
        const int id = fluid_synth_sfload(master, SoundFontPath().c_str(), 0);
        if (id != FLUID_FAILED)
            font = fluid_synth_get_sfont_by_id(master, id);
    }
    {
        std::lock_guard lock(m_mutex);
        m_master = master;
        m_font = font;
        if (m_font)
            if (fluid_synth_t* spare = MakeSynth())
                m_idle.push_back(spare);
        m_status = m_font ? Font::kLoaded : Font::kFailed;
    }
    m_loadedCv.notify_all();
}

CAdxSynthPool::Font CAdxSynthPool::Status() {
    std::lock_guard lock(m_mutex);
    return m_status;
}

CAdxSynthPool::Font CAdxSynthPool::WaitLoaded() {
    std::unique_lock lock(m_mutex);
    m_loadedCv.wait(lock, [this] { return m_status != Font::kLoading; });
    return m_status;
}

fluid_synth_t* CAdxSynthPool::Acquire(int& error) {
    std::lock_guard lock(m_mutex);
    error = 0;
    if (m_status != Font::kLoaded) {
        if (m_status == Font::kFailed)
            error = FLUID_FAILED;
        return nullptr;
    }
    fluid_synth_t* synth = nullptr;
    if (!m_idle.empty()) {
        synth = m_idle.back();
        m_idle.pop_back();
    } else {
        synth = MakeSynth();
    }
    if (!synth)
        error = FLUID_FAILED;
    return synth;
}

fluid_synth_t* CAdxSynthPool::MakeSynth() {
    fluid_synth_t* synth = new_fluid_synth(m_settings);
    if (!synth)
        return nullptr;
    fluid_sfont_t* wrap = new_fluid_sfont(WrapName, WrapPreset, WrapIterStart, WrapIterNext, WrapFree);
    if (!wrap) {
        delete_fluid_synth(synth);
        return nullptr;
    }
    fluid_sfont_set_data(wrap, m_font);
    if (fluid_synth_add_sfont(synth, wrap) == FLUID_FAILED) {
        delete_fluid_sfont(wrap);
        delete_fluid_synth(synth);
        return nullptr;
    }
    fluid_synth_program_reset(synth);
    return synth;
}

void CAdxSynthPool::Release(fluid_synth_t* synth) {
    // A synth keeps traces of what it played (a reset does not make it render a file the same
    // way again), so it is not reused: a fresh one takes its place among the spares.
    if (synth)
        delete_fluid_synth(synth);
    std::lock_guard lock(m_mutex);
    if (m_font && m_idle.size() < kSpares)
        if (fluid_synth_t* fresh = MakeSynth())
            m_idle.push_back(fresh);
}

} // namespace playkit
