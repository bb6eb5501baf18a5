#include "app/remote/QrCode.h"

#include "tests/app/QrReader.h"

#include <gtest/gtest.h>

namespace {

TEST(QrCode, AReaderGetsTheAddressBackExactlyAtAnyScaleAndTooLongATextIsNoCode) {
    for (const QString& url : {QStringLiteral("http://192.168.10.42:8080/"),
                               QStringLiteral("http://[fd00:1234:5678::abcd]:65535/?Group=Ä&x=%20")}) {
        SCOPED_TRACE(url.toStdString());
        const std::optional<CQrCode> qr = CQrCode::Encode(url.toUtf8());
        ASSERT_TRUE(qr.has_value());
        // The three finder squares: dark corners, the ring's inside light, its centre dark.
        const int w = qr->Width();
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{w - 7, 0}, std::pair{0, w - 7}}) {
            EXPECT_TRUE(qr->Dark(x, y) && qr->Dark(x + 6, y + 6) && qr->Dark(x + 3, y + 3));
            EXPECT_FALSE(qr->Dark(x + 1, y + 1));
        }
        for (const int scale : {1, 3, 6}) {
            const QImage image = qr->ToImage(scale);
            EXPECT_EQ(image.width(), (w + 2 * CQrCode::kQuietModules) * scale);
            EXPECT_EQ(image.pixelColor(scale * CQrCode::kQuietModules - 1, image.height() / 2), Qt::white);
            // Readers want a few pixels a module; scale 1 is upscaled the way a screen shows it.
            const QImage seen = scale == 1 ? image.scaled(image.size() * 4) : image;
            EXPECT_EQ(ReadQrCode(seen), url) << "scale " << scale;
        }
        EXPECT_EQ(qr->ScaleToFit((w + 2 * CQrCode::kQuietModules) * 5 + 4), 5);
        EXPECT_EQ(qr->ScaleToFit(3), 1);
    }
    EXPECT_FALSE(CQrCode::Encode(QByteArray(4000, 'a')).has_value());
}

} // namespace
