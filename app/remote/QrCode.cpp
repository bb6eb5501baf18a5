#include "app/remote/QrCode.h"

#include <qrencode.h>

#include <QPainter>

#include <algorithm>
#include <memory>

namespace {
struct QrFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};
constexpr int kDarkBit = 1; // the library's other bits tell what kind of module it is
} // namespace

std::optional<CQrCode> CQrCode::Encode(const QByteArray& text) {
    // 8-bit mode and case kept: an address with a path or query must come back exactly.
    const std::unique_ptr<QRcode, QrFree> code(QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M));
    if (!code || code->width <= 0)
        return std::nullopt;
    const auto count = static_cast<std::size_t>(code->width) * static_cast<std::size_t>(code->width);
    std::vector<unsigned char> dark(count);
    for (std::size_t i = 0; i < count; ++i)
        dark[i] = code->data[i] & kDarkBit;
    return CQrCode(code->width, std::move(dark));
}

QImage CQrCode::ToImage(int scale) const {
    scale = std::max(scale, 1);
    const int side = (m_nWidth + 2 * kQuietModules) * scale;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    for (int y = 0; y < m_nWidth; ++y)
        for (int x = 0; x < m_nWidth; ++x)
            if (Dark(x, y))
                p.fillRect((x + kQuietModules) * scale, (y + kQuietModules) * scale, scale, scale, Qt::black);
    return image;
}

int CQrCode::ScaleToFit(int side) const {
    return std::max(1, side / (m_nWidth + 2 * kQuietModules));
}
