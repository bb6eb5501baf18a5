#include "app/remote/MidiControl.h"

#include <rtmidi/RtMidi.h>

#include <QCoreApplication>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <streambuf>

// alsa-lib 1.2.8 declares snd_lib_error_set_local outside its header's extern "C" block.
extern "C" {
#include <alsa/error.h>
}

namespace {

constexpr int kAlsaTextBytes = 256; // one report of ALSA's, cut beyond
const char* const kClientName = "Padora";
const char* const kInPortName = "Padora in";
const char* const kOutPortName = "Padora out";
constexpr unsigned char kNoteOff = 0x80;
constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kControlChange = 0xB0;
constexpr int kMaxValue = 127;
constexpr int kMaxVolume = 100;

// The first port whose name holds part, or -1.
template <class Port> int FindPort(Port& port, const QString& part) {
    const unsigned n = port.getPortCount();
    for (unsigned i = 0; i < n; ++i) {
        const QString name = QString::fromStdString(port.getPortName(i));
        if (name.contains(part, Qt::CaseInsensitive) && !name.contains(QLatin1String(kClientName)))
            return static_cast<int>(i);
    }
    return -1;
}

// RtMidi reports some failures as exceptions and others only to this callback (or on standard error):
// the first one is kept to tell the operator.
void KeepError(RtMidiError::Type type, const std::string& text, void* user) {
    auto* error = static_cast<std::string*>(user);
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING && error->empty())
        *error = text;
}

void Ignore(RtMidiError::Type, const std::string&, void*) {}

// While it lives, RtMidi's and ALSA's own reports on standard error stay off it on this thread; ALSA's
// first one is kept (it says why, e.g. that /dev/snd/seq cannot be opened, where RtMidi says only that
// the sequencer client failed).
class StderrMuffle {
public:
    StderrMuffle() : m_pCerr(std::cerr.rdbuf(&m_null)), m_pAlsa(snd_lib_error_set_local(&KeepAlsa)) {
        s_pAlsaText = &m_strAlsa;
    }
    ~StderrMuffle() {
        s_pAlsaText = nullptr;
        snd_lib_error_set_local(m_pAlsa);
        std::cerr.rdbuf(m_pCerr);
    }
    StderrMuffle(const StderrMuffle&) = delete;
    StderrMuffle& operator=(const StderrMuffle&) = delete;
    const std::string& AlsaText() const { return m_strAlsa; }

private:
    class NullBuffer : public std::streambuf {
    protected:
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    };
    static void KeepAlsa(const char*, int, const char*, int err, const char* fmt, va_list arg) {
        if (!s_pAlsaText || !s_pAlsaText->empty())
            return;
        char text[kAlsaTextBytes];
        std::vsnprintf(text, sizeof text, fmt, arg);
        *s_pAlsaText = text;
        if (err != 0)
            *s_pAlsaText += std::string(": ") + snd_strerror(err);
    }

    NullBuffer m_null;
    std::streambuf* m_pCerr;
    snd_local_error_handler_t m_pAlsa;
    std::string m_strAlsa;
    static thread_local std::string* s_pAlsaText;
};

thread_local std::string* StderrMuffle::s_pAlsaText = nullptr;

} // namespace

CMidiControl::Config CMidiControl::ReadConfig(const CSettingsFile& settings) {
    const CRemoteSettings remote = CRemoteSettings::Load(settings);
    return Config{remote.strMidiApi.toLower(), remote.strMidiIn, remote.strMidiOut};
}

bool CMidiControl::IsWanted(const CSettingsFile& settings, const CMidiMap& map) {
    if (CRemoteSettings::NamesMidiPorts(settings))
        return true;
    // A role's key may stand in the file with no binding (one that was unlearnt): only a binding counts.
    for (int role = 0; role < CMidiMap::kRoleCount; ++role)
        if (map.At(role).kind != CMidiMap::Binding::Kind::None)
            return true;
    return false;
}

CMidiControl::CMidiControl(IRemoteTarget* pTarget, QObject* parent)
    : QObject(parent), m_pTarget(pTarget), m_intake(pTarget, QStringLiteral("MIDI")) {
    Q_ASSERT(m_pTarget);
    m_intake.SetDecode([this](const RemoteCommand& raw) { return OnMidi(raw); });
    m_intake.SetAfterTurn([this] { SendFeedback(); });
    m_feedbackTimer.setInterval(kFeedbackPollMs);
    connect(&m_feedbackTimer, &QTimer::timeout, this, [this] { SendFeedback(); });
}

CMidiControl::~CMidiControl() {
    Close();
}

bool CMidiControl::Open(const Config& config) {
    Close();
    m_strMessage.clear();
    RtMidi::Api api = RtMidi::LINUX_ALSA;
    if (config.strApi == QLatin1String("off"))
        return false;
    if (config.strApi == QLatin1String("jack"))
        api = RtMidi::UNIX_JACK;
    else if (config.strApi != QLatin1String("alsa")) {
        m_strMessage = QCoreApplication::translate(
                           "CMidiControl",
                           "MIDI の方式 %1 は使えません (alsa, jack, off)。MIDI による操作なしで続けます。")
                           .arg(config.strApi);
        return false;
    }
    std::string error;
    const StderrMuffle muffle;
    try {
        auto in = std::make_unique<RtMidiIn>(api, kClientName);
        in->setErrorCallback(&KeepError, &error);
        in->ignoreTypes(true, true, true);
        in->setCallback(&CMidiControl::OnInput, this);
        const int inPort = config.strIn.isEmpty() ? -1 : FindPort(*in, config.strIn);
        if (inPort >= 0)
            in->openPort(static_cast<unsigned>(inPort), kInPortName);
        else
            in->openVirtualPort(kInPortName);
        auto out = std::make_unique<RtMidiOut>(api, kClientName);
        out->setErrorCallback(&KeepError, &error);
        const int outPort = config.strOut.isEmpty() ? -1 : FindPort(*out, config.strOut);
        if (outPort >= 0)
            out->openPort(static_cast<unsigned>(outPort), kOutPortName);
        else
            out->openVirtualPort(kOutPortName);
        if (!error.empty())
            throw RtMidiError(error, RtMidiError::DRIVER_ERROR);
        // From now on nothing may throw, least of all on RtMidi's own thread.
        in->setErrorCallback(&Ignore, nullptr);
        out->setErrorCallback(&Ignore, nullptr);
        m_pIn = std::move(in);
        m_pOut = std::move(out);
    } catch (const RtMidiError& e) {
        QString why = QString::fromStdString(e.getMessage()).trimmed();
        if (!muffle.AlsaText().empty())
            why += QStringLiteral(" / ") + QString::fromStdString(muffle.AlsaText()).trimmed();
        m_strMessage = QCoreApplication::translate("CMidiControl",
                                                   "MIDI を使えません (%1)。MIDI による操作なしで続けます。")
                           .arg(why);
        return false;
    }
    if ((!config.strIn.isEmpty() && m_pIn && !m_pIn->isPortOpen()) ||
        (!config.strOut.isEmpty() && m_pOut && !m_pOut->isPortOpen()))
        m_strMessage =
            QCoreApplication::translate("CMidiControl",
                                        "MIDI 機器が見つかりません。ポート「%1」「%2」に接続してください。")
                .arg(QString::fromLatin1(kInPortName), QString::fromLatin1(kOutPortName));
    m_bLitValid = false;
    m_feedbackTimer.start();
    SendFeedback(true);
    return true;
}

void CMidiControl::Close() {
    m_feedbackTimer.stop();
    if (m_pIn) {
        // No callback runs or follows once the port is closed.
        m_pIn->cancelCallback();
        m_pIn->closePort();
    }
    m_pIn.reset();
    m_pOut.reset();
    m_intake.Clear();
    m_onLearnt = nullptr;
}

void CMidiControl::SetMap(const CMidiMap& map) {
    m_Map = map;
    SendFeedback(true);
}

void CMidiControl::StartLearning(Learnt onLearnt) {
    m_onLearnt = std::move(onLearnt);
}

void CMidiControl::StopLearning() {
    m_onLearnt = nullptr;
}

// RtMidi's input thread.
void CMidiControl::OnInput(double, std::vector<unsigned char>* message, void* user) {
    if (!message || message->size() < 3)
        return;
    const std::vector<unsigned char>& m = *message;
    static_cast<CMidiControl*>(user)->m_intake.Push({{RemoteCommand::Kind::Raw, m[0], (m[1] << 8) | m[2]}});
}

std::optional<RemoteCommand> CMidiControl::OnMidi(const RemoteCommand& raw) {
    const auto status = static_cast<unsigned char>(raw.n);
    const auto data1 = static_cast<unsigned char>(raw.value >> 8);
    const unsigned char type = status & 0xF0;
    const int value = raw.value & kMaxValue;
    const bool noteOn = type == kNoteOn && value > 0;
    if (m_onLearnt) {
        if (noteOn || type == kControlChange) {
            if (const auto b = CMidiMap::BindingOf(status, data1)) {
                // Taken first: the callback may start learning again.
                const Learnt onLearnt = std::move(m_onLearnt);
                m_onLearnt = nullptr;
                onLearnt(*b);
            }
        }
        return std::nullopt;
    }
    const bool noteOff = type == kNoteOff || (type == kNoteOn && value == 0);
    CMidiMap::Binding b;
    b.channel = status & 0x0F;
    b.number = data1 & kMaxValue;
    b.kind = type == kControlChange ? CMidiMap::Binding::Kind::Control : CMidiMap::Binding::Kind::Note;
    if (!noteOn && !noteOff && type != kControlChange)
        return std::nullopt;
    const int role = m_Map.RoleOf(b);
    if (role < 0)
        return std::nullopt;
    using Kind = RemoteCommand::Kind;
    const int scaled = static_cast<int>(std::lround(value * double(kMaxVolume) / kMaxValue));
    if (role == CMidiMap::kStop) {
        if (noteOn || noteOff)
            return RemoteCommand{Kind::StopKey, noteOn ? 1 : 0, 0};
        return RemoteCommand{Kind::StopKey, value >= 64 ? 1 : 0, 0};
    }
    if (role < CMidiMap::kPadFirst + RemoteState::kChannels) {
        // A pad fires on its note-on (or a button sending a controller value above 0).
        if (noteOn || (type == kControlChange && value > 0))
            return RemoteCommand{Kind::Pad, role - CMidiMap::kPadFirst, 0};
        return std::nullopt;
    }
    if (role == CMidiMap::kMaster)
        return RemoteCommand{Kind::Master, 0, scaled};
    return RemoteCommand{Kind::Volume, role - CMidiMap::kFaderFirst, scaled};
}

void CMidiControl::SendFeedback(bool bAll) {
    if (!m_pOut)
        return;
    const RemoteState state = m_pTarget->CurrentRemoteState();
    for (int i = 0; i < RemoteState::kChannels; ++i) {
        const CMidiMap::Binding& b = m_Map.At(CMidiMap::kPadFirst + i);
        const int play = state.aPlay[static_cast<size_t>(i)];
        if (b.kind != CMidiMap::Binding::Kind::Note)
            continue;
        if (!bAll && m_bLitValid && m_lastLit.aPlay[static_cast<size_t>(i)] == play)
            continue;
        const int velocity = play > 0 ? kVelocityPlaying : play == 0 ? kVelocityLoaded : kVelocityOff;
        const unsigned char bytes[3] = {static_cast<unsigned char>(kNoteOn | b.channel),
                                        static_cast<unsigned char>(b.number),
                                        static_cast<unsigned char>(velocity)};
        try {
            m_pOut->sendMessage(bytes, sizeof bytes);
        } catch (const RtMidiError&) {
            // A controller that went away: the lights simply stop.
        }
    }
    m_lastLit = state;
    m_bLitValid = true;
}
