#pragma once

#include <QString>

#include <atomic>

// Programme loudness of a sound file after EBU R128 (integrated loudness, gated), measured from the
// samples the player's decoders give. Takes as long as decoding the whole file: never call it on the
// UI thread; any other thread may.
class CLoudnessMeter {
public:
    // The loudness of a file without anything above the gates (silence).
    static constexpr double kSilent = -1.0e9;

    // true with lufs set, or false with error saying why (the file could not be decoded, or is not a
    // regular file: a FIFO is never waited on). When stop is given and becomes true, the measurement
    // is abandoned within one chunk of decoding (false, error kAbandonedText).
    static bool Measure(const QString& path, double& lufs, QString& error,
                        const std::atomic<bool>* stop = nullptr);
    static constexpr const char* kAbandonedText = "measurement abandoned";

    // The gain in dB that brings a sound of loudness lufs to target: only ever an attenuation, since
    // the player does not amplify (a quieter sound is left as it is, and nothing can clip). 0 for an
    // unknown (NaN) or silent measurement.
    static double GainDb(double lufs, double target);

    // The player's attenuation in hundredths of a dB for a channel volume and master (0 to 100) with
    // that gain on top, limited to the player's range (0 to -10000): volume and master as the
    // channel fader always had them, the gain added.
    static long Attenuation(int volume, int master, double gainDb);
};
