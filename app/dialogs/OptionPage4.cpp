#include "app/dialogs/OptionPage4.h"

#include "app/res/Resources.h"
#include "playkit/AdxTestTone.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {
constexpr const char* kDefaultDevice = QT_TRANSLATE_NOOP("COptionPage4", "既定のデバイス");
constexpr const char* kMissingDevice = QT_TRANSLATE_NOOP("COptionPage4", "%1 (見つかりません)");
constexpr const char* kOverrideNote = QT_TRANSLATE_NOOP(
    "COptionPage4",
    "環境変数 PADORA_AUDIO が設定されているため、今はその出力が使われます。ここでの設定は保存され、"
    "PADORA_AUDIO なしで起動したときに使われます。");
constexpr const char* kNoCue = QT_TRANSLATE_NOOP("COptionPage4", "なし");
constexpr const char* kCueKeyShiftText = "Shift";
constexpr const char* kCueKeyAltText = "Alt";
constexpr const char* kToneFailed = QT_TRANSLATE_NOOP("COptionPage4", "テスト音を出せませんでした: %1");
constexpr const char* kTonePlayed = QT_TRANSLATE_NOOP("COptionPage4", "テスト音を %1 に出しました。");
// The device is let go soon after the tone: a server that goes away later cannot hold up the dialog.
constexpr int kToneCloseMs = static_cast<int>(playkit::CAdxTestTone::kSeconds * 1000) + 300;
} // namespace

COptionPage4::COptionPage4(AUDIOSETTINGS* pAudio, std::vector<playkit::AdxOutputDevice> devices,
                           CResDialog* pDlg, QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE4, parent, true), m_pAudio(pAudio), m_devices(std::move(devices)),
      m_pDlg(pDlg) {}

COptionPage4::~COptionPage4() = default;

BOOL COptionPage4::OnInitDialog() {
    CResDialog::OnInitDialog();
    auto* device = GetDlgItemAs<QComboBox>(IDC_OPT4_DEVICE);
    device->addItem(QCoreApplication::translate("COptionPage4", kDefaultDevice), QString());
    for (const playkit::AdxOutputDevice& d : m_devices) {
        const QString name = QString::fromStdString(d.name);
        device->addItem(QStringLiteral("%1 [%2]").arg(name, QString::fromStdString(d.hostApi)), name);
    }
    int current = device->findData(m_pAudio->strDevice);
    // A device that is not there now (unplugged, its server stopped) stays chosen, not lost.
    if (current < 0) {
        device->addItem(QCoreApplication::translate("COptionPage4", kMissingDevice).arg(m_pAudio->strDevice),
                        m_pAudio->strDevice);
        current = device->count() - 1;
    }
    device->setCurrentIndex(current);

    FillPairs();
    connect(device, &QComboBox::currentIndexChanged, this, [this] { FillPairs(); });
    connect(GetDlgItemAs<QComboBox>(IDC_OPT4_PAIRS), &QComboBox::currentIndexChanged, this,
            [this] { FillCuePairs(); });
    FillCue();

    auto* period = GetDlgItemAs<QComboBox>(IDC_OPT4_PERIOD);
    for (int frames : kAudioPeriods)
        period->addItem(QString::number(frames), frames);
    if (period->findData(m_pAudio->nPeriod) < 0)
        period->addItem(QString::number(m_pAudio->nPeriod), m_pAudio->nPeriod);
    period->setCurrentIndex(period->findData(m_pAudio->nPeriod));

    if (AudioOverridden())
        SetDlgItemText(IDC_OPT4_NOTE, QCoreApplication::translate("COptionPage4", kOverrideNote));
    GetDlgItemAs<QLabel>(IDC_OPT4_NOTE)->setWordWrap(true);
    return TRUE;
}

void COptionPage4::FillPairs() {
    const QString name = GetDlgItemAs<QComboBox>(IDC_OPT4_DEVICE)->currentData().toString();
    int channels = 0;
    for (const playkit::AdxOutputDevice& d : m_devices)
        if (name.isEmpty() ? d.isDefault : QString::fromStdString(d.name) == name)
            channels = d.channels;
    auto* pairs = GetDlgItemAs<QComboBox>(IDC_OPT4_PAIRS);
    // What the operator picked on this page stays when the device changes and still has it.
    const int wanted = pairs->count() > 0 ? pairs->currentData().toInt() : m_pAudio->nPairs;
    pairs->clear();
    const int offered = AudioPairsOf(channels);
    for (int n = 1; n <= offered; ++n)
        pairs->addItem(QString::number(n), n);
    // A device not there now, or one with fewer channels: the stored choice is not thrown away.
    if (wanted > offered)
        pairs->addItem(QString::number(wanted), wanted);
    pairs->setCurrentIndex(pairs->findData(wanted));
}

void COptionPage4::FillCue() {
    auto* device = GetDlgItemAs<QComboBox>(IDC_OPT4_CUEDEVICE);
    device->addItem(QCoreApplication::translate("COptionPage4", kNoCue), QString());
    for (const playkit::AdxOutputDevice& d : m_devices) {
        const QString name = QString::fromStdString(d.name);
        device->addItem(QStringLiteral("%1 [%2]").arg(name, QString::fromStdString(d.hostApi)), name);
    }
    int current = device->findData(m_pAudio->strCueDevice);
    if (current < 0) {
        device->addItem(
            QCoreApplication::translate("COptionPage4", kMissingDevice).arg(m_pAudio->strCueDevice),
            m_pAudio->strCueDevice);
        current = device->count() - 1;
    }
    device->setCurrentIndex(current);
    FillCuePairs();
    auto* key = GetDlgItemAs<QComboBox>(IDC_OPT4_CUEKEY);
    key->addItem(QCoreApplication::translate("COptionPage4", kCueKeyShiftText), kCueKeyShift);
    key->addItem(QCoreApplication::translate("COptionPage4", kCueKeyAltText), kCueKeyAlt);
    key->addItem(QCoreApplication::translate("COptionPage4", kNoCue), 0);
    key->setCurrentIndex(std::max(0, key->findData(m_pAudio->nCueKey)));
}

void COptionPage4::FillCuePairs() {
    auto* cue = GetDlgItemAs<QComboBox>(IDC_OPT4_CUEPAIR);
    const int wanted = cue->count() > 0 ? cue->currentData().toInt() : m_pAudio->nCuePair;
    const int pairs = GetDlgItemAs<QComboBox>(IDC_OPT4_PAIRS)->currentData().toInt();
    cue->clear();
    cue->addItem(QCoreApplication::translate("COptionPage4", kNoCue), 0);
    // A pair of the output: the house plays on the others.
    for (int n = 1; n <= pairs; ++n)
        cue->addItem(QStringLiteral("%1–%2").arg(2 * n - 1).arg(2 * n), n);
    if (wanted > pairs)
        cue->addItem(QStringLiteral("%1–%2").arg(2 * wanted - 1).arg(2 * wanted), wanted);
    cue->setCurrentIndex(std::max(0, cue->findData(wanted)));
}

AUDIOSETTINGS COptionPage4::Chosen() const {
    AUDIOSETTINGS a;
    a.strDevice = GetDlgItemAs<QComboBox>(IDC_OPT4_DEVICE)->currentData().toString();
    a.nPeriod = GetDlgItemAs<QComboBox>(IDC_OPT4_PERIOD)->currentData().toInt();
    a.nPairs = GetDlgItemAs<QComboBox>(IDC_OPT4_PAIRS)->currentData().toInt();
    a.strCueDevice = GetDlgItemAs<QComboBox>(IDC_OPT4_CUEDEVICE)->currentData().toString();
    a.nCuePair = GetDlgItemAs<QComboBox>(IDC_OPT4_CUEPAIR)->currentData().toInt();
    a.nCueKey = GetDlgItemAs<QComboBox>(IDC_OPT4_CUEKEY)->currentData().toInt();
    return a;
}

void COptionPage4::SaveToAudio() {
    *m_pAudio = Chosen();
}

bool COptionPage4::PlayTestTone() {
    const AUDIOSETTINGS a = Chosen();
    if (!m_tone)
        m_tone = std::make_unique<playkit::CAdxTestTone>();
    std::string reason;
    const bool ok = m_tone->Play(a.strDevice.toStdString(), static_cast<unsigned>(a.nPeriod), reason);
    const QString shown = GetDlgItemAs<QComboBox>(IDC_OPT4_DEVICE)->currentText();
    SetDlgItemText(
        IDC_OPT4_NOTE,
        ok ? QCoreApplication::translate("COptionPage4", kTonePlayed).arg(shown)
           : QCoreApplication::translate("COptionPage4", kToneFailed).arg(QString::fromStdString(reason)));
    if (ok) {
        QTimer::singleShot(kToneCloseMs, this, [this] {
            if (m_tone && !m_tone->Playing())
                m_tone.reset();
        });
    }
    return ok;
}

void COptionPage4::OnCommand(UINT id) {
    if (id == IDC_OPT4_TEST) {
        PlayTestTone();
        return;
    }
    CResDialog::OnCommand(id);
}

void COptionPage4::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage4::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
