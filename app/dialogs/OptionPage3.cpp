#include "app/dialogs/OptionPage3.h"

#include "app/dialogs/DataExchange.h"
#include "app/res/Resources.h"

#include <QComboBox>
#include <QCoreApplication>

#include <array>

namespace {

struct LanguageChoice {
    CUiSettings::Language language;
    const char* text;
};

// The choices of the language list, in their order.
constexpr std::array<LanguageChoice, 3> kLanguageChoices = {{
    {CUiSettings::Language::Auto, QT_TRANSLATE_NOOP("COptionPage3", "自動 (デスクトップの言語)")},
    {CUiSettings::Language::Japanese, QT_TRANSLATE_NOOP("COptionPage3", "日本語")},
    {CUiSettings::Language::English, QT_TRANSLATE_NOOP("COptionPage3", "英語 (English)")},
}};

} // namespace

COptionPage3::COptionPage3(OPTIONDATA* pOption, CShowSettings* pShow, CUiSettings* pUi, CResDialog* pDlg,
                           QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE3, parent, true), m_bRelative(pOption->bRelative),
      m_bKeepPlaying(pShow->bKeepPlaying ? TRUE : FALSE), m_language(pUi->language), m_pOption(pOption),
      m_pShow(pShow), m_pUi(pUi), m_pDlg(pDlg) {}

BOOL COptionPage3::OnInitDialog() {
    const BOOL result = CResDialog::OnInitDialog();
    auto* combo = GetDlgItemAs<QComboBox>(IDC_OPT3_LANGUAGE);
    for (const LanguageChoice& choice : kLanguageChoices) {
        combo->addItem(QCoreApplication::translate("COptionPage3", choice.text),
                       static_cast<int>(choice.language));
        if (choice.language == m_language)
            combo->setCurrentIndex(combo->count() - 1);
    }
    connect(combo, &QComboBox::currentIndexChanged, this,
            [this, combo] { m_language = static_cast<CUiSettings::Language>(combo->currentData().toInt()); });
    return result;
}

void COptionPage3::DoDataExchange(CDataExchange& dx) {
    dx.Check(IDC_OPT3_RELATIVE, m_bRelative);
    dx.Check(IDC_OPT3_KEEPPLAYING, m_bKeepPlaying);
}

void COptionPage3::SaveToOption() {
    m_pOption->bRelative = m_bRelative;
    m_pShow->bKeepPlaying = m_bKeepPlaying != 0;
    m_pUi->language = m_language;
}

void COptionPage3::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage3::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
