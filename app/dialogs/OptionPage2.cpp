#include "app/dialogs/OptionPage2.h"

#include "app/dialogs/DataExchange.h"
#include "app/dialogs/KeyEditCtrl.h"
#include "app/res/Resources.h"
#include "padkit/util/KeyHook.h"

#include <QAbstractButton>
#include <QCoreApplication>
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
    QT_TRANSLATE_NOOP("COptionPage2", "パッド1"),      QT_TRANSLATE_NOOP("COptionPage2", "パッド2"),
    QT_TRANSLATE_NOOP("COptionPage2", "パッド3"),      QT_TRANSLATE_NOOP("COptionPage2", "パッド4"),
    QT_TRANSLATE_NOOP("COptionPage2", "パッド5"),      QT_TRANSLATE_NOOP("COptionPage2", "パッド6"),
    QT_TRANSLATE_NOOP("COptionPage2", "パッド7"),      QT_TRANSLATE_NOOP("COptionPage2", "パッド8"),
    QT_TRANSLATE_NOOP("COptionPage2", "パッド9"),      QT_TRANSLATE_NOOP("COptionPage2", "パッド0"),
    QT_TRANSLATE_NOOP("COptionPage2", "個別停止"),     QT_TRANSLATE_NOOP("COptionPage2", "全停止"),
    QT_TRANSLATE_NOOP("COptionPage2", "前のグループ"), QT_TRANSLATE_NOOP("COptionPage2", "次のグループ"),
    QT_TRANSLATE_NOOP("COptionPage2", "音量アップ"),   QT_TRANSLATE_NOOP("COptionPage2", "音量ダウン"),
    QT_TRANSLATE_NOOP("COptionPage2", "マスター"),
};

QString DesktopTriggerText(const padkit::ShortcutTriggers& triggers) {
    QStringList items;
    for (int i = 0; i < padkit::kShortcutCount; ++i) {
        const QString& trigger = triggers[static_cast<size_t>(i)];
        items << QCoreApplication::translate("COptionPage2", kRoleName[i]) + u' ' +
                     (trigger.isEmpty() ? QCoreApplication::translate("COptionPage2", "(なし)") : trigger);
    }
    return QCoreApplication::translate(
               "COptionPage2",
               "デスクトップのショートカットで取得中 (割り当てはデスクトップの設定で変更します):\n") +
           items.join(QCoreApplication::translate("COptionPage2", "、"));
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
