#pragma once

#include "playkit/AdxSource.h"

#include <memory>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace playkit {

// Decodes the first audio stream of any file FFmpeg recognises by its content.
class CAdxFfmpegSource : public CAdxSource {
public:
    // UI thread. Returns null and sets error to FFmpeg's code when the file cannot be opened or
    // has no decodable audio stream.
    static std::unique_ptr<CAdxFfmpegSource> Open(const std::string& path, int& error);
    ~CAdxFfmpegSource() override;

    std::size_t Read(std::int16_t* dst, std::size_t frames) override;
    void Seek(std::int64_t frame) override;
    double Duration() override;

    // The decoder's last error, 0 when none (used by Open to refuse undecodable files).
    int LastError() const { return m_lastError; }

private:
    explicit CAdxFfmpegSource(std::string path) : m_path(std::move(path)) {}
    // stated, when given, receives the length the container's header states (or stays as it is).
    int OpenFile(double* stated = nullptr);
    void CloseFile();
    // Decodes one more frame into m_pending; false at the end of the stream.
    bool DecodeMore();
    bool Convert();
    double ScanDuration() const;

    std::string m_path;
    AVFormatContext* m_fmt = nullptr;
    AVCodecContext* m_dec = nullptr;
    AVPacket* m_pkt = nullptr;
    AVFrame* m_frame = nullptr;
    SwrContext* m_swr = nullptr;
    int m_stream = -1;
    int m_swrFormat = -1;
    int m_swrRate = 0;
    int m_swrChannels = 0;
    bool m_draining = false;
    int m_lastError = 0;
    std::vector<std::int16_t> m_pending; // decoded samples not yet handed out
    std::size_t m_pendingPos = 0;        // in samples
    std::int64_t m_pendingFrame = 0;     // media frame index of the first pending sample (-1 unknown)
    double m_duration = -1.0;
    bool m_durationEstimated = false;
};

} // namespace playkit
