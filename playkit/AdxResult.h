#pragma once

namespace playkit {

// Results of the player's operations. 0 is success and -1 that the player is not ready (not
// initialised for Open, no file open for the rest); any other value names the step that failed, and
// the player's GetErrorCode() then holds the failing call's code. The same number means different
// steps in different operations, hence the aliases. Unscoped over int on purpose: the numbers are
// the ones stored diagnostics and callers already compare against.
enum AdxResult : int {
    kOk = 0,
    kNotReady = -1,
    // Open: no engine could be had.
    kNoEngine = -2,
    // Setters and SetCurrentTime: the value is out of range (E_INVALIDARG).
    kBadValue = -2,
    // SetNotifyWindow, GetEvent: the player has no event source.
    kNoEvents = -2,
    // SetVolumeNotifyWindow: the player has no sample callback.
    kNoCallback = -2,
    // GetVolumePeak: nothing buffered yet, or no memory to copy it.
    kNoBuffer = -2,
    // GetEvent: no event within the time-out, or a null out pointer.
    kNoEvent = -3,
    // Open: the file is missing, not a regular file, not decodable, or the voice table is full.
    kCannotRender = -7,
    // Play, Pause, Stop, SetCurrentTime: the sound device has stopped taking blocks.
    kEngineStalled = -8,
    // Play: the media failed for good after the open (a SoundFont that did not load).
    kMediaFailed = -9,
    // GetVolumePeak: the file was not opened as PCM (mp3 or wav).
    kNotPcm = -11,
    // Open: the file's extension is not one the player accepts.
    kRefusedExtension = -31,
};

} // namespace playkit

using playkit::AdxResult;
