#pragma once

#include <QString>

#include <array>
#include <optional>

class CSettingsFile;

// Which control of a MIDI controller does what: a note or a controller number on a MIDI channel per
// role. Learnt from the controller, kept in Padora.INI section "Remote" (MidiPad1..MidiPad10,
// MidiStop, MidiFader1..MidiFader10, MidiMaster; values "note <channel 1-16> <number>" or
// "cc <channel> <number>").
class CMidiMap {
public:
    enum Role {
        kPadFirst = 0, // pads 1 to 10: roles 0 to 9
        kStop = 10,    // held like the stop key
        kFaderFirst = 11,
        kMaster = 21,
        kRoleCount = 22,
    };

    struct Binding {
        enum class Kind { None, Note, Control };
        Kind kind = Kind::None;
        int channel = 0; // 0 to 15
        int number = 0;  // 0 to 127
        bool operator==(const Binding&) const = default;
        QString ToText() const;
        static Binding FromText(const QString& text);
    };

    // The binding a MIDI message would make while learning: a note-on or a control change; nothing
    // for anything else.
    static std::optional<Binding> BindingOf(unsigned char status, unsigned char data1);

    const Binding& At(int role) const { return m_aBinding[static_cast<size_t>(role)]; }
    // Binds role to b; any other role that had b loses it (one control, one role).
    void Set(int role, const Binding& b);
    // The role bound to b, -1 when none.
    int RoleOf(const Binding& b) const;

    static QString KeyOf(int role);
    void Load(const CSettingsFile& settings);
    // Writes every role the file already names and every bound one; an unbound role the file does not
    // name stays out of it.
    bool Save(const CSettingsFile& settings) const;

private:
    std::array<Binding, kRoleCount> m_aBinding{};
};
