#include "app/dialogs/OptionPage2.h"

#include "app/dialogs/DataExchange.h"
#include "app/dialogs/KeyEditCtrl.h"
#include "app/res/Resources.h"
#include "padkit/util/KeyHook.h"

#include <QAbstractButton>
#include <QLabel>

namespace {

// Key fields of the page and the record's fields they show, in control order.
constexpr struct {
    int nId;
    int OPTIONDATA::*pField;
} kKeyField[] = {
    {IDC_OPT2_STOP, &OPTIONDATA::nStopKey},       {IDC_OPT2_ALLSTOP, &OPTIONDATA::nAllStopKey},
    {IDC_OPT2_GRPBACK, &OPTIONDATA::nGrpBackKey}, {IDC_OPT2_GRPNEXT, &OPTIONDATA::nGrpNextKey},
    {IDC_OPT2_VOLUP, &OPTIONDATA::nVolUpKey},     {IDC_OPT2_VOLDOWN, &OPTIONDATA::nVolDownKey},
};

constexpr int kScopeBoxes[] = {IDC_OPT2_GETNAKEY, IDC_OPT2_GETNASTOP, IDC_OPT2_GETNAGRP};

// The roles as the list of the desktop's bindings names them, in the order of the shortcut ids.
constexpr const char* kRoleName[padkit::kShortcutCount] = {
    "パッド1",      "パッド2",      "パッド3",    "パッド4",    "パッド5",  "パッド6",
    "パッド7",      "パッド8",      "パッド9",    "パッド0",    "個別停止", "全停止",
    "前のグループ", "次のグループ", "音量アップ", "音量ダウン", "マスター",
};

QString DesktopTriggerText(const padkit::ShortcutTriggers& triggers) {
    QStringList items;
    for (int i = 0; i < padkit::kShortcutCount; ++i) {
        const QString& trigger = triggers[static_cast<size_t>(i)];
        items << QString::fromUtf8(kRoleName[i]) + u' ' +
                     (trigger.isEmpty() ? QStringLiteral("(なし)") : trigger);
    }
    return QStringLiteral(
               "デスクトップのショートカットで取得中 (割り当てはデスクトップの設定で変更します):\n") +
           items.join(QStringLiteral("、"));
}

} // namespace

COptionPage2::COptionPage2(OPTIONDATA* pOption, CResDialog* pDlg, QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE2, parent, true), m_nVolVal(pOption->nVolVal),
      m_bGetNoActive(pOption->bGetNoActive), m_bGetNAKey(pOption->bGetNAKey),
      m_bGetNAStop(pOption->bGetNAStop), m_bGetNAGrp(pOption->bGetNAGrp), m_pOption(pOption), m_pDlg(pDlg) {}

QWidget* COptionPage2::MakeControl(const platform::ControlTemplate& c, QWidget* parent) {
    for (const auto& key : kKeyField) {
        if (key.nId == c.id)
            return new CKeyEditCtrl(parent);
    }
    return nullptr;
}

BOOL COptionPage2::OnInitDialog() {
    for (const auto& key : kKeyField)
        GetDlgItemAs<CKeyEditCtrl>(key.nId)->SetKeyCode(m_pOption->*key.pField);
    CResDialog::OnInitDialog();
    EnableScope();
    ShowDesktopTriggers();
    return TRUE;
}

void COptionPage2::ShowDesktopTriggers() {
    // Where the desktop binds the keys, the fields above only offer them: say what it made of them.
    if (!padkit::HookUsesPortal())
        return;
    const QWidget* pAbove = GetDlgItem(IDC_OPT2_VOLVAL);
    const QWidget* pBelow = GetDlgItem(IDC_OPT2_GETNOACTIVE);
    auto* pLabel = new QLabel(DesktopTriggerText(padkit::HookShortcutTriggers()), this);
    pLabel->setObjectName(QStringLiteral("desktopTriggers"));
    pLabel->setWordWrap(true);
    pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int left = pBelow->x(), top = pAbove->geometry().bottom() + pAbove->height() / 2;
    pLabel->setGeometry(left, top, width() - 2 * left, pBelow->y() - top - pAbove->height() / 2);
    pLabel->show();
}

void COptionPage2::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_OPT2_VOLVAL, m_nVolVal);
    dx.MinMax(IDC_OPT2_VOLVAL, m_nVolVal, kMinVolVal, kMaxVolVal);
    dx.Check(IDC_OPT2_GETNOACTIVE, m_bGetNoActive);
    dx.Check(IDC_OPT2_GETNAKEY, m_bGetNAKey);
    dx.Check(IDC_OPT2_GETNASTOP, m_bGetNAStop);
    dx.Check(IDC_OPT2_GETNAGRP, m_bGetNAGrp);
}

void COptionPage2::OnCommand(UINT id) {
    if (id == static_cast<UINT>(IDC_OPT2_GETNOACTIVE)) {
        m_bGetNoActive = GetDlgItemAs<QAbstractButton>(IDC_OPT2_GETNOACTIVE)->isChecked() ? 1 : 0;
        EnableScope();
        return;
    }
    CResDialog::OnCommand(id);
}

void COptionPage2::EnableScope() {
    // The scope boxes keep their ticks while disabled, and are saved as they stand.
    for (int id : kScopeBoxes)
        GetDlgItem(id)->setEnabled(m_bGetNoActive != 0);
}

void COptionPage2::SaveToOption() {
    for (const auto& key : kKeyField)
        m_pOption->*key.pField = GetDlgItemAs<CKeyEditCtrl>(key.nId)->GetKeyCode();
    m_pOption->nVolVal = m_nVolVal;
    m_pOption->bGetNoActive = m_bGetNoActive;
    m_pOption->bGetNAKey = m_bGetNAKey;
    m_pOption->bGetNAStop = m_bGetNAStop;
    m_pOption->bGetNAGrp = m_bGetNAGrp;
}

void COptionPage2::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage2::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
