#pragma once

#include "app/dialogs/ResDialog.h"

#include <QString>

// Where to point a browser at the remote: its address and pairing code in words and the address as a
// QR code for a phone's camera. Opened from the main window's menu and the options page "リモート".
// UI thread.
class CWebRemoteDlg : public CResDialog {
    Q_OBJECT
public:
    CWebRemoteDlg(QString url, QString code, QWidget* parent);

protected:
    BOOL OnInitDialog() override;

private:
    QString m_strUrl;
    QString m_strCode;
};
