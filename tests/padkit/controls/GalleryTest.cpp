#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The gallery renders itself off-screen into a PNG that shows the controls.
TEST(Gallery, ScreenshotIsAPngOfTheControls) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("gallery.png"));
    QProcess gallery;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    gallery.setProcessEnvironment(env);
    gallery.start(QStringLiteral(PADKIT_GALLERY_PATH), {QStringLiteral("--screenshot"), file});
    ASSERT_TRUE(gallery.waitForFinished(60000));
    EXPECT_EQ(gallery.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(gallery.exitCode(), 0) << gallery.readAllStandardError().toStdString();

    QImage img;
    ASSERT_TRUE(img.load(file, "PNG"));
    EXPECT_GE(img.width(), 600);
    EXPECT_GE(img.height(), 400);
    EXPECT_LE(img.width(), 4000);
    EXPECT_LE(img.height(), 3000);
    // The meters' green and the selected tab's orange bar are on it.
    bool green = false, orange = false;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            green = green || p == qRgb(0, 255, 0);
            orange = orange || p == qRgb(255, 128, 0);
        }
    EXPECT_TRUE(green);
    EXPECT_TRUE(orange);
}
