#pragma once

#include "platform/WinTypes.h"
#include "playkit/AdxShow.h"

#include <QString>

#include <memory>

// What a dialog auditions its file through. UI thread.
class IAudition {
public:
    // Starts file on the cue, or stops it when it is the file being auditioned; whether it plays now.
    virtual bool AuditionFile(const QString& file) = 0;
    virtual void StopAudition() = 0;

protected:
    ~IAudition() = default;
};

// The one sound being auditioned on the cue output: a player of its own, apart from the channel's, so
// that the channel's play state, its pad and the lists stay as they are, and marked for the cue only so
// that nothing of it reaches the main output. UI thread.
class CCueAudition {
public:
    static constexpr int kNoChannel = -1; // a file auditioned from the channel dialog

    // Starts file at the attenuation, balance and speed given, stopping what was auditioned before.
    // channel: the pad it belongs to, or kNoChannel. False when the file does not open.
    bool Start(const QString& file, int channel, LONG attenuation, LONG balance, double rate);
    void Stop();
    bool IsActive() const { return m_player != nullptr; }
    // The pad being auditioned, or kNoChannel (nothing, or a file from the dialog).
    int Channel() const { return m_player ? m_channel : kNoChannel; }
    const QString& File() const { return m_file; }
    // The 100 ms step: true when the sound came to its end (it is stopped then).
    bool StepEnded();

private:
    std::unique_ptr<CAdxShow> m_player;
    int m_channel = kNoChannel;
    QString m_file;
};
