#include "padkit/controls/DlgButton.h"
#include "RenderUtil.h"
#include "platform/DialogTemplate.h"

#include <QPushButton>
#include <gtest/gtest.h>

using namespace padkit;

namespace {

constexpr int kButtonId = 1001;

// A dialog holding one 48 x 30 push button with id 1001.
struct ButtonDialog {
    QWidget dialog;
    QPushButton* button = nullptr;
    ButtonDialog() {
        platform::DialogTemplate tmpl;
        tmpl.size = QSize(100, 60);
        tmpl.controls.push_back(
            {kButtonId, platform::ControlKind::PushButton, QStringLiteral("OK"), QRect(4, 4, 32, 14)});
        platform::BuildDialogControls(&dialog, tmpl);
        button = platform::GetDlgItemAs<QPushButton>(&dialog, kButtonId);
        button->resize(48, 30);
    }
};

QImage Checker(QSize size, QColor corner, QColor body) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(body);
    img.setPixelColor(0, 0, corner);
    return img;
}

} // namespace

TEST(DlgButton, BitmapsAreCentredOrStretched) {
    EXPECT_EQ(FitBitmapRect(41, 23, QSize(16, 16)), QRect(12, 3, 16, 16));
    EXPECT_EQ(FitBitmapRect(41, 23, QSize(64, 16)), QRect(0, 0, 41, 23));
    EXPECT_EQ(FitBitmapRect(41, 23, QSize(16, 30)), QRect(0, 0, 41, 23));
}

TEST(DlgButton, TextLinesAreLaidOutCentred) {
    // Three lines of 16 pixels: 13 apart, a block of 42 centred in 60.
    EXPECT_EQ(TextBitmapLineTops(60, 16, 3), (std::vector<int>{9, 22, 35}));
    EXPECT_EQ(TextBitmapLineTops(60, 16, 2), (std::vector<int>{14, 30}));
    EXPECT_EQ(TextBitmapLineTops(60, 16, 1), (std::vector<int>{22}));
}

TEST(DlgButton, PictureFillsTheButtonLessItsFrame) {
    ButtonDialog d;
    ASSERT_NE(d.button, nullptr);
    CDlgButton pictures;
    const QColor corner(10, 200, 30), body(200, 10, 30);
    ASSERT_EQ(pictures.SetBitmapImage(&d.dialog, kButtonId, Checker(QSize(16, 16), corner, body)), TRUE);
    const QPixmap* pic = pictures.GetPicture(kButtonId);
    ASSERT_NE(pic, nullptr);
    const QImage img = pic->toImage();
    EXPECT_EQ(pic->deviceIndependentSize().toSize(), QSize(41, 23));
    EXPECT_EQ(img.pixelColor(0, 0), corner); // the corner colour fills the free space
    EXPECT_EQ(img.pixelColor(40, 22), corner);
    EXPECT_EQ(img.pixelColor(12, 3), corner); // the image's own corner pixel
    EXPECT_EQ(img.pixelColor(13, 3), body);
    EXPECT_EQ(img.pixelColor(27, 18), body);
    EXPECT_EQ(img.pixelColor(28, 18), corner);
    EXPECT_FALSE(d.button->icon().isNull());
    EXPECT_EQ(d.button->iconSize(), QSize(41, 23));
    EXPECT_EQ(d.button->text(), QString()); // the picture stands alone

    // A second picture replaces the first; a too wide one is stretched over all of it.
    ASSERT_EQ(pictures.SetBitmapImage(&d.dialog, kButtonId, Checker(QSize(64, 16), corner, body)), TRUE);
    const QImage wide = pictures.GetPicture(kButtonId)->toImage();
    EXPECT_EQ(wide.pixelColor(40, 22), body);
}

TEST(DlgButton, MissingBitmapsAndButtonsAnswerFalse) {
    ButtonDialog d;
    CDlgButton pictures;
    ASSERT_EQ(pictures.SetBitmapImage(&d.dialog, kButtonId, Checker(QSize(8, 8), Qt::red, Qt::blue)), TRUE);
    EXPECT_EQ(pictures.SetBitmap(&d.dialog, kButtonId, 0), FALSE);
    EXPECT_EQ(pictures.GetPicture(kButtonId), nullptr);
    EXPECT_TRUE(d.button->icon().isNull());
    EXPECT_EQ(d.button->text(), QStringLiteral("OK"));                // the caption is back
    EXPECT_EQ(pictures.SetBitmap(&d.dialog, kButtonId, 4242), FALSE); // no such resource
    EXPECT_EQ(pictures.SetBitmap(&d.dialog, 999, 0), FALSE);
    EXPECT_EQ(pictures.SetTextBitmap(&d.dialog, 999, 0, 0, QStringLiteral("x"), -1), FALSE);
}

TEST(DlgButton, TextPictureUsesTheColours) {
    ButtonDialog d;
    CDlgButton pictures;
    d.button->setText(QStringLiteral("停止"));
    // Twice: the second picture still finds the caption the first one hid.
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(
            pictures.SetTextBitmap(&d.dialog, kButtonId, RGB(0, 0, 0x80), RGB(0xFF, 0xFF, 0), QString(), 14),
            TRUE);
    const QImage img = pictures.GetPicture(kButtonId)->toImage();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(0, 0, 0x80));
    int yellow = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            yellow += img.pixelColor(x, y).red() > 200 && img.pixelColor(x, y).blue() < 100;
    EXPECT_GT(yellow, 5);
    pictures.ResetData();
    EXPECT_EQ(pictures.GetPicture(kButtonId), nullptr);
}

namespace {

// First and last rows (inclusive) of each run of rows holding ink brighter than half.
std::vector<std::pair<int, int>> InkRuns(const QImage& img) {
    std::vector<std::pair<int, int>> runs;
    bool inRun = false;
    for (int y = 0; y < img.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < img.width() && !ink; ++x)
            ink = img.pixelColor(x, y).red() > 128;
        if (ink && !inRun)
            runs.push_back({y, y});
        if (ink)
            runs.back().second = y;
        inRun = ink;
    }
    return runs;
}

} // namespace

TEST(DlgButton, FontHeightIsTheCellHeightAndZeroIsTheDefaultCell) {
    // The dialog's face, and one whose cell is taller than its em.
    for (const QString& face : {QString(), QStringLiteral("DejaVu Sans")}) {
        SCOPED_TRACE(face.toStdString());
        ButtonDialog d;
        d.button->resize(60, 67); // a 53 x 60 picture
        if (!face.isEmpty())
            d.button->setFont(QFont(face, 9));
        CDlgButton pictures;
        const QString text = QStringLiteral("H\nH\nH");
        auto picture = [&](int fontHeight) {
            EXPECT_EQ(pictures.SetTextBitmap(&d.dialog, kButtonId, RGB(0, 0, 0), RGB(255, 255, 255), text,
                                             fontHeight),
                      TRUE);
            return pictures.GetPicture(kButtonId)->toImage();
        };
        // Cells of 16 pixels: lines 13 apart in a block of 42 from row 9.
        const QImage sixteen = picture(16);
        const std::vector<std::pair<int, int>> runs = InkRuns(sixteen);
        ASSERT_EQ(runs.size(), 3u);
        EXPECT_EQ(runs[1].first - runs[0].first, 13);
        EXPECT_EQ(runs[2].first - runs[1].first, 13);
        EXPECT_GE(runs[0].first, 9);
        EXPECT_LT(runs[2].second, 9 + 42);

        EXPECT_EQ(picture(0), sixteen);
        EXPECT_NE(picture(-1), sixteen); // the button's own font
        const std::vector<std::pair<int, int>> larger = InkRuns(picture(20));
        ASSERT_EQ(larger.size(), 3u);
        EXPECT_EQ(larger[1].first - larger[0].first, 17);
    }
}
