#pragma once

#include <QString>

#include <array>

// One remote-control action, as the key or control it stands for would do it.
struct RemoteCommand {
    enum class Kind {
        Pad,       // n: channel 0 to 9 (the pad command of a channel key)
        StopKey,   // n: 1 held, 0 released (the stop key)
        Stop,      // n: channel 0 to 9 (the pad with the stop key held: stop, or fade out with FO on)
        AllStop,   // the all-stop key
        GroupNext, // the next-group key
        GroupPrev, // the previous-group key
        Group,     // n: tab index from 0
        Volume,    // n: channel 0 to 9, value: volume 0 to 100
        Master,    // value: master volume 0 to 100
        State,     // the sender asks for the state and its changes
        Pan,       // n: channel 0 to 9, value: pan -50 (left) to 50 (right)
        Rate,      // n: channel 0 to 9, value: speed in thousandths (100 to 10000)
        Repeat,    // n: channel 0 to 9, value: 1 on, 0 off (the R switch)
        FadeIn,    // n: channel 0 to 9, value: 1 on, 0 off (the FI switch)
        FadeOut,   // n: channel 0 to 9, value: 1 on, 0 off (the FO switch)
        Raw,       // a source's own message, made a command on the UI thread (MIDI: n status, value
                   // data1 << 8 | data2)
    };
    Kind kind = Kind::State;
    int n = 0;
    int value = 0;

    // The speed factor a Rate command's value stands for, and back.
    static constexpr int kRateScale = 1000;
    static constexpr int kMinRate = 100;   // 0.1
    static constexpr int kMaxRate = 10000; // 10.0
    bool operator==(const RemoteCommand&) const = default;
};

// What a remote is told: the current group and each channel's play state.
struct RemoteState {
    static constexpr int kChannels = 10;
    int nGroup = -1;  // tab index from 0; -1 without a group
    QString strGroup; // the group's name
    std::array<int, kChannels> aPlay{-1, -1, -1, -1, -1,
                                     -1, -1, -1, -1, -1}; // -1 no sound, 0 loaded, 1 playing
    bool bBusy = false;  // a modal window holds the show: pads, stops and group selections are refused
    int nBackground = 0; // sounds playing in other groups than the shown one
    int nGroups = 0;     // groups in the set

    bool operator==(const RemoteState&) const = default;
};

// What a remote command acts on: the main window. UI thread.
class IRemoteTarget {
public:
    virtual void RemoteCommandArrived(const RemoteCommand& command) = 0;
    virtual RemoteState CurrentRemoteState() = 0;
    // True while the target cannot take a command now (one of its handlers runs): pads, stops and
    // group selections are then refused, not kept for later.
    virtual bool RemoteBusy() { return false; }

protected:
    ~IRemoteTarget() = default;
};
