#pragma once

#include <QString>

#include <array>
#include <optional>

// Which control of a MIDI controller does what: a note or a controller number on a MIDI channel per
// role. Learnt from the controller; CRemoteSettings keeps it in the settings file.
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

    CMidiMap() = default;
    // The bindings as they stand, one per role, even where two roles share a control (a hand-edited
    // file): the first role holding it acts.
    explicit CMidiMap(const std::array<Binding, kRoleCount>& bindings) : m_aBinding(bindings) {}

    // The binding a MIDI message would make while learning: a note-on or a control change; nothing
    // for anything else.
    static std::optional<Binding> BindingOf(unsigned char status, unsigned char data1);

    const Binding& At(int role) const { return m_aBinding[static_cast<size_t>(role)]; }
    // Binds role to b; any other role that had b loses it (one control, one role).
    void Set(int role, const Binding& b);
    // The role bound to b, -1 when none.
    int RoleOf(const Binding& b) const;

private:
    std::array<Binding, kRoleCount> m_aBinding{};
};
