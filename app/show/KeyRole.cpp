#include "app/show/KeyRole.h"

#include <algorithm>

KeyRole FindKeyRole(const OPTIONDATA& option, UINT nVKey) {
    if (nVKey == 0)
        return {};
    const auto is = [nVKey](int assigned) { return assigned != 0 && static_cast<UINT>(assigned) == nVKey; };
    if (is(option.nStopKey))
        return {EKeyRole::Stop};
    if (is(option.nVolUpKey))
        return {EKeyRole::VolumeUp};
    if (is(option.nVolDownKey))
        return {EKeyRole::VolumeDown};
    if (is(option.nAllStopKey))
        return {EKeyRole::AllStop};
    if (is(option.nGrpBackKey))
        return {EKeyRole::GroupBack};
    if (is(option.nGrpNextKey))
        return {EKeyRole::GroupNext};
    if (is(option.nMasterKey))
        return {EKeyRole::Master};
    for (int k = 0; k < 10; ++k) {
        if (is(option.nVKey[k]))
            return {EKeyRole::Channel, k};
    }
    return {};
}

int StepVolume(int nVolume, int nStep, BOOL bUp, BOOL bDown) {
    if (bUp)
        nVolume += nStep;
    if (bDown)
        nVolume -= nStep;
    return std::clamp(nVolume, 0, 100);
}

padkit::ShortcutKeys ShortcutKeysOf(const OPTIONDATA& option) {
    using padkit::EShortcut;
    padkit::ShortcutKeys keys;
    const auto set = [&keys](EShortcut role, int nVKey) {
        keys.aVKey[static_cast<size_t>(role)] = nVKey > 0 ? static_cast<UINT>(nVKey) : 0;
    };
    for (int k = 0; k < 10; ++k)
        set(static_cast<EShortcut>(static_cast<int>(EShortcut::Pad1) + k), option.nVKey[k]);
    set(EShortcut::Stop, option.nStopKey);
    set(EShortcut::AllStop, option.nAllStopKey);
    set(EShortcut::GroupPrev, option.nGrpBackKey);
    set(EShortcut::GroupNext, option.nGrpNextKey);
    set(EShortcut::VolumeUp, option.nVolUpKey);
    set(EShortcut::VolumeDown, option.nVolDownKey);
    set(EShortcut::Master, option.nMasterKey);
    return keys;
}
