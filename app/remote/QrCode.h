#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>
#include <vector>

// A QR code of a short text (the browser remote's address), as modules and as an image for the
// screen. Any thread.
class CQrCode {
public:
    // The modules of text, at the smallest version that holds it with medium error correction; none
    // when it does not fit any version.
    static std::optional<CQrCode> Encode(const QByteArray& text);

    int Width() const { return m_nWidth; }
    bool Dark(int x, int y) const { return m_dark[static_cast<std::size_t>(y * m_nWidth + x)] != 0; }

    // Black modules of scale pixels each on white, with the quiet zone of kQuietModules around them
    // that readers need.
    static constexpr int kQuietModules = 4;
    QImage ToImage(int scale) const;
    // The largest scale at which the image fits into a square of side pixels, at least 1.
    int ScaleToFit(int side) const;

private:
    CQrCode(int width, std::vector<unsigned char> dark) : m_nWidth(width), m_dark(std::move(dark)) {}

    int m_nWidth = 0;
    std::vector<unsigned char> m_dark;
};
