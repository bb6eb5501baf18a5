#include "app/shell/AboutDlg.h"

#include "app/res/Resources.h"

#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const platform::DialogTemplate* tmpl = FindDialogResource(IDD_ABOUTBOX);
    platform::ApplyDialogFrame(this, *tmpl);
    setWindowFlag(Qt::Dialog);
    platform::BuildDialogControls(
        this, *tmpl,
        [](const platform::ControlTemplate& c, QWidget* parentWidget) -> QWidget* {
            if (c.kind != platform::ControlKind::Icon)
                return nullptr;
            auto* icon = new QLabel(parentWidget);
            icon->setPixmap(LoadAppIcon().pixmap(32, 32));
            icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return icon;
        },
        [this](UINT id) {
            if (id == platform::IDOK)
                accept();
        });
}
