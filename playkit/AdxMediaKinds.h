#pragma once

#include <array>
#include <string_view>

namespace playkit {

// The kinds of sound file a show opens, known by the extension of their name (compared without letter
// case), in the order a file dialog lists them. The PCM kinds are decoded ahead; the others stream
// through a voice of their own.
struct MediaExtension {
    std::string_view ext; // lower case, no dot
    bool bPcm;
};

inline constexpr std::array<MediaExtension, 9> kMediaExtensions{{
    {"mp3", true},
    {"wav", true},
    {"ogg", false},
    {"mid", false},
    {"midi", false},
    {"avi", false},
    {"mpg", false},
    {"mpeg", false},
    {"mp4", false},
}};

} // namespace playkit
