#pragma once

#include "app/remote/MidiMap.h"

#include <functional>

// Where a control is learnt from: the next note-on or control change the controller sends is handed
// over as a binding instead of acting. UI thread.
class IMidiLearnSource {
public:
    using Learnt = std::function<void(const CMidiMap::Binding& binding)>;

    // Whether a controller can be heard at all.
    virtual bool CanLearn() const = 0;
    // onLearnt is called once, on the UI thread, with the next control touched; a second start
    // replaces the first.
    virtual void StartLearning(Learnt onLearnt) = 0;
    // Nothing is learnt any more; onLearnt is dropped.
    virtual void StopLearning() = 0;
    virtual bool IsLearning() const = 0;

protected:
    ~IMidiLearnSource() = default;
};
