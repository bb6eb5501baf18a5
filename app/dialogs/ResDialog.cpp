#include "app/dialogs/ResDialog.h"

#include "app/dialogs/DataExchange.h"
#include "app/res/Resources.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

CResDialog::CResDialog(int nTemplateId, QWidget* parent, bool bChild)
    : QDialog(parent), m_nTemplateId(nTemplateId), m_bChild(bChild) {
    const platform::DialogTemplate* tmpl = FindDialogResource(nTemplateId);
    Q_ASSERT(tmpl);
    if (m_bChild) {
        setWindowFlags(Qt::Widget);
        setFont(platform::DialogFont(tmpl->fontName, tmpl->fontPointSize));
    } else {
        platform::ApplyDialogFrame(this, *tmpl);
        setWindowFlag(Qt::Dialog);
    }
}

CResDialog::~CResDialog() = default;

bool CResDialog::Create() {
    if (m_bCreated)
        return !m_bEnded;
    m_bCreated = true;
    platform::BuildDialogControls(
        this, *FindDialogResource(m_nTemplateId),
        [this](const platform::ControlTemplate& c, QWidget* parent) { return MakeControl(c, parent); },
        [this](UINT id) { OnCommand(id); });
    OnInitDialog();
    return !m_bEnded;
}

int CResDialog::DoModal() {
    if (!Create())
        return result();
    setResult(0);
    m_bEnded = false;
    return exec();
}

void CResDialog::EndDialog(int nResult) {
    m_bEnded = true;
    done(nResult);
}

void CResDialog::SetDlgItemText(int id, const QString& text) {
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
}

QString CResDialog::GetDlgItemText(int id) const {
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    return QString();
}

BOOL CResDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(dx);
    m_nFailedId = dx.FailedControlId();
    return dx.Failed() ? FALSE : TRUE;
}

void CResDialog::FocusControl(int id) {
    QWidget* w = GetDlgItem(id);
    if (!w)
        return;
    w->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->selectAll();
}

QWidget* CResDialog::MakeControl(const platform::ControlTemplate&, QWidget*) {
    return nullptr;
}

BOOL CResDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CResDialog::DoDataExchange(CDataExchange&) {}

void CResDialog::OnCommand(UINT id) {
    if (id == static_cast<UINT>(platform::IDOK))
        OnOK();
    else if (id == static_cast<UINT>(platform::IDCANCEL))
        OnCancel();
}

void CResDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(platform::IDOK);
}

void CResDialog::OnCancel() {
    EndDialog(platform::IDCANCEL);
}

void CResDialog::keyPressEvent(QKeyEvent* e) {
    // A page has no visible default button of its own: Enter goes to its OK handler, which the page
    // hands on to the dialog around it.
    const bool plain = !e->modifiers() || (e->modifiers() == Qt::KeypadModifier && e->key() == Qt::Key_Enter);
    if (m_bChild && plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        OnOK();
        return;
    }
    QDialog::keyPressEvent(e);
}

void CResDialog::accept() {
    OnOK();
}

void CResDialog::reject() {
    OnCancel();
}
