#pragma once

#include "platform/WinTypes.h"

#include <QString>

class CResDialog;

// One exchange between a dialog's fields and its controls. Loading writes each value into its control;
// saving reads and checks it. The first refused value shows the framework's message for it (caption: the
// application title), gives its control the focus with all of its text selected, and ends the exchange:
// every later call does nothing. UI thread.
class CDataExchange {
public:
    CDataExchange(CResDialog* pDlg, BOOL bSaveAndValidate);

    const BOOL m_bSaveAndValidate;
    bool Failed() const { return m_bFailed; }
    int FailedControlId() const { return m_nFailedId; }

    // Edit text. Loading also limits the field to nMaxBytes CP932 bytes (a full-width character counts
    // two) when MaxBytes follows; saving refuses a longer text.
    void Text(int id, QString& value);
    void MaxBytes(int id, const QString& value, int nMaxBytes);
    // A decimal number; shown with nDecimals decimals (a point whatever the locale).
    void Text(int id, double& value, int nDecimals);
    void MinMax(int id, double value, double dMin, double dMax);
    // A whole number.
    void Text(int id, int& value);
    void MinMax(int id, int value, int nMin, int nMax);
    // A check box: 0 or 1.
    void Check(int id, int& value);

    // Reports text and ends the exchange with the focus on control id.
    void Fail(int id, const QString& text);

private:
    CResDialog* m_pDlg;
    bool m_bFailed = false;
    int m_nFailedId = 0;
};
