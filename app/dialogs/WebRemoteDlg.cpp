#include "app/dialogs/WebRemoteDlg.h"

#include "app/remote/QrCode.h"
#include "app/res/Resources.h"

#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <optional>

CWebRemoteDlg::CWebRemoteDlg(QString url, QString code, QWidget* parent)
    : CResDialog(IDD_WEB_REMOTE, parent), m_strUrl(std::move(url)), m_strCode(std::move(code)) {}

BOOL CWebRemoteDlg::OnInitDialog() {
    CResDialog::OnInitDialog();
    SetDlgItemText(IDC_WEBREMOTE_TEXT, tr("ブラウザで次のアドレスを開いてください:\n%1\n"
                                          "このパソコン以外のブラウザでは、次のコードを入力します: %2")
                                           .arg(m_strUrl, m_strCode));
    if (auto* text = GetDlgItemAs<QLabel>(IDC_WEBREMOTE_TEXT)) {
        text->setWordWrap(true);
        // The address can be copied into a message to another device.
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto* picture = GetDlgItemAs<QLabel>(IDC_WEBREMOTE_QR);
    if (!picture)
        return TRUE;
    picture->setAlignment(Qt::AlignCenter);
    const std::optional<CQrCode> qr = CQrCode::Encode(m_strUrl.toUtf8());
    if (!qr) {
        picture->setText(tr("QR コードにできないアドレスです。"));
        picture->setWordWrap(true);
        return TRUE;
    }
    const int side = std::min(picture->width(), picture->height());
    // Whole pixels per module: a scaled image blurs the edges a camera reads.
    picture->setPixmap(QPixmap::fromImage(qr->ToImage(qr->ScaleToFit(side))));
    return TRUE;
}
