#pragma once

#include "app/remote/MidiLearnSource.h"
#include "app/remote/MidiMap.h"
#include "app/remote/RemoteCommand.h"
#include "app/remote/RemoteIntake.h"
#include "app/settings/RemoteSettings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class RtMidiIn;
class RtMidiOut;

// MIDI controllers through RtMidi (ALSA sequencer or JACK MIDI): Padora shows an input and an output
// port ("Padora in", "Padora out") and, when the settings name a controller, connects to it. Notes
// fire pads, the stop note is held like the stop key, controllers move the channel faders and the
// master, as the map says; a control is learnt by touching it while learning. Pads light on the
// controller: note-on with velocity 0 (no sound), 1 (loaded) or 127 (playing). Made, used and
// destroyed on the UI thread; RtMidi's thread only pushes what it receives to the intake.
class CMidiControl : public QObject, public IMidiLearnSource {
    Q_OBJECT
public:
    static constexpr int kFeedbackPollMs = 50;
    static constexpr int kVelocityOff = 0;
    static constexpr int kVelocityLoaded = 1;
    static constexpr int kVelocityPlaying = 127;

    struct Config {
        QString strApi = QString::fromLatin1(CRemoteSettings::kDefaultMidiApi); // "alsa", "jack" or "off"
        QString strIn;  // part of a controller's output port name to connect to
        QString strOut; // part of a controller's input port name for the lights
    };
    // The MIDI ports the settings file names (the API in lower case).
    static Config ReadConfig(const CSettingsFile& settings);
    // Whether the operator asked for MIDI: the settings name its API or a controller, or map has a
    // learnt control. Only then is a failure to have MIDI worth a message; the defaults are a quiet try.
    static bool IsWanted(const CSettingsFile& settings, const CMidiMap& map);

    // pTarget (not owned) must outlive this object.
    explicit CMidiControl(IRemoteTarget* pTarget, QObject* parent = nullptr);
    ~CMidiControl() override;

    // Opens the ports; false when MIDI is off or cannot be had (Message says why; Padora goes on
    // without it). Writes nothing on standard error: what RtMidi and ALSA would say there is in Message.
    bool Open(const Config& config);
    void Close();
    bool IsOpen() const { return m_pIn != nullptr; }
    const QString& Message() const { return m_strMessage; }

    const CMidiMap& Map() const { return m_Map; }
    // The map acts from now on, and the pads' lights follow it.
    void SetMap(const CMidiMap& map);

    // While learning, the controller's messages act on nothing.
    bool CanLearn() const override { return IsOpen(); }
    void StartLearning(Learnt onLearnt) override;
    void StopLearning() override;
    bool IsLearning() const override { return static_cast<bool>(m_onLearnt); }

    // Sends the pads' lights that changed (the timer does this too); all of them with bAll.
    void SendFeedback(bool bAll = false);

    CRemoteIntake& Intake() { return m_intake; }

private:
    // UI thread. What a message received does: learnt, or a command, or nothing.
    std::optional<RemoteCommand> OnMidi(const RemoteCommand& raw);
    // RtMidi's input thread.
    static void OnInput(double timeStamp, std::vector<unsigned char>* message, void* user);

    IRemoteTarget* m_pTarget;
    CMidiMap m_Map;
    std::unique_ptr<RtMidiIn> m_pIn;
    std::unique_ptr<RtMidiOut> m_pOut;
    QString m_strMessage;
    Learnt m_onLearnt;
    RemoteState m_lastLit;
    bool m_bLitValid = false;
    QTimer m_feedbackTimer;
    CRemoteIntake m_intake;
};
