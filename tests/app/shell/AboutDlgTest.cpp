#include "app/shell/AboutDlg.h"
#include "platform/DialogTemplate.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(AboutDlg, ShowsNameVersionAndIconAndOkCloses) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報 Padora"));
    const QSize base = platform::DialogBaseUnits(about.font());
    EXPECT_EQ(about.size(), platform::DialogUnitsToPixels(QSize(170, 62), base));

    QStringList texts;
    bool hasIcon = false;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        texts << label->text();
        hasIcon = hasIcon || !label->pixmap().isNull();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Padora Version 2.0")));
    EXPECT_TRUE(hasIcon);

    auto* ok = platform::GetDlgItemAs<QPushButton>(&about, platform::IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->geometry(), platform::DialogUnitsToPixels(QRect(113, 41, 50, 14), base));
    about.show();
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}
