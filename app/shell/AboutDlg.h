#pragma once

#include <QDialog>

// The about box, dialog resource 100.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
