#include "playkit/AdxFileDecoder.h"

#include "playkit/AdxFfmpegSource.h"
#include "playkit/AdxMidiSource.h"
#include "playkit/AdxSynthPool.h"
#include "playkit/AdxWavSource.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

extern "C" {
#include <libavutil/error.h>
}

namespace playkit {
namespace {

bool IsMidiFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    in.read(head, sizeof head);
    return std::memcmp(head, "MThd", 4) == 0 ||
           (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0);
}

// FluidSynth's one failure code.
constexpr int kSynthFailed = -1;

} // namespace

CAdxFileDecoder::CAdxFileDecoder() = default;

CAdxFileDecoder::~CAdxFileDecoder() {
    m_source.reset();
}

HRESULT CAdxFileDecoder::Open(const std::string& path) {
    m_source.reset();
    int error = 0;
    if (IsMidiFile(path)) {
        if (!m_pool) {
            m_pool = std::make_unique<CAdxSynthPool>(kMidiRate);
            // A whole-file decode reads at once: it waits for the SoundFont here.
            m_pool->WaitLoaded();
        }
        m_source = CAdxMidiSource::Open(path, *m_pool, error);
        if (!m_source)
            return error ? error : kSynthFailed;
        return S_OK;
    }
    m_source = CAdxWavSource::Open(path);
    if (!m_source)
        m_source = CAdxFfmpegSource::Open(path, error);
    if (!m_source)
        return error ? error : AVERROR_INVALIDDATA;
    return S_OK;
}

int CAdxFileDecoder::Channels() const {
    return m_source ? m_source->Channels() : 0;
}

int CAdxFileDecoder::SampleRate() const {
    return m_source ? m_source->SampleRate() : 0;
}

double CAdxFileDecoder::Duration() {
    return m_source ? m_source->Duration() : -1.0;
}

std::size_t CAdxFileDecoder::Read(std::int16_t* dst, std::size_t frames) {
    return m_source ? m_source->Read(dst, frames) : 0;
}

std::string AdxErrorText(HRESULT hr) {
    switch (hr) {
    case S_OK:
        return std::string();
    case ADX_E_EXTENSION:
        return "file type not accepted";
    case E_OUTOFMEMORY:
        return "out of memory or too many players";
    case kSynthFailed:
        return "not a readable MIDI file, or the SoundFont did not load";
    default:
        break;
    }
    if (hr < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        if (av_strerror(hr, text, sizeof text) == 0)
            return text;
    }
    char code[32];
    std::snprintf(code, sizeof code, "error 0x%08X", static_cast<unsigned>(hr));
    return code;
}

} // namespace playkit
