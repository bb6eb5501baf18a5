#include "MonkeyInput.h"

#include <QRect>
#include <QThread>

#include <X11/keysym.h>

#include <cstdio>

namespace {

constexpr int kMouseShare = 50;   // of 100 inputs, when windows are shown
constexpr int kTopmostShare = 60; // of 100 mouse actions, on the topmost window
constexpr int kMaxWheelNotches = 5;
constexpr int kMinPauseMs = 20;
constexpr int kMaxPauseMs = 150;
constexpr int kMinHoldMs = 50;
constexpr int kMaxHoldMs = 300;

// The keys a chord may hold: released at the end of a run whatever happened.
constexpr unsigned long kHoldable[] = {XK_Control_L, XK_Alt_L, XK_Up, XK_Down, XK_Shift_L};

std::string Hex(unsigned long v) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%lx", v);
    return text;
}

} // namespace

CMonkeyInput::CMonkeyInput(XSession& x, std::uint32_t seed) : m_x(x), m_rng(seed) {
    // Each kind draws by its weight (of 100), then a chord of it alike: the forty pad chords would
    // otherwise leave the dialogs' keys too rare to get through a dialog.
    Kind pads{40, {}};
    const unsigned long keypad[] = {XK_KP_0, XK_KP_1, XK_KP_2, XK_KP_3, XK_KP_4,
                                    XK_KP_5, XK_KP_6, XK_KP_7, XK_KP_8, XK_KP_9};
    for (int i = 0; i < 10; ++i) {
        const std::string pad = "KP_" + std::to_string(i);
        pads.chords.push_back({pad, {}, keypad[i]});
        pads.chords.push_back({"Ctrl+" + pad, {XK_Control_L}, keypad[i]});
        pads.chords.push_back({"Up+" + pad, {XK_Up}, keypad[i], true});
        pads.chords.push_back({"Down+" + pad, {XK_Down}, keypad[i], true});
    }
    pads.chords.push_back({"Up+M", {XK_Up}, XK_m, true});
    pads.chords.push_back({"Down+M", {XK_Down}, XK_m, true});
    m_kinds.push_back(std::move(pads));
    m_kinds.push_back({8, {{"Space", {}, XK_space}, {"Left", {}, XK_Left}, {"Right", {}, XK_Right}}});
    // The menus and their items' letters.
    Kind menus{20, {}};
    for (const auto& [name, sym] :
         {std::pair<const char*, unsigned long>{"F", XK_f}, {"E", XK_e}, {"O", XK_o}, {"H", XK_h}})
        menus.chords.push_back({std::string("Alt+") + name, {XK_Alt_L}, sym});
    for (const auto& [name, sym] : {std::pair<const char*, unsigned long>{"N", XK_n},
                                    {"O", XK_o},
                                    {"S", XK_s},
                                    {"A", XK_a},
                                    {"X", XK_x},
                                    {"G", XK_g}})
        menus.chords.push_back({name, {}, sym});
    m_kinds.push_back(std::move(menus));
    m_kinds.push_back({15,
                       {{"Esc", {}, XK_Escape},
                        {"Enter", {}, XK_Return},
                        {"Tab", {}, XK_Tab},
                        {"Alt+F4", {XK_Alt_L}, XK_F4}}});
    m_kinds.push_back({5,
                       {{"Ctrl+N", {XK_Control_L}, XK_n},
                        {"Ctrl+O", {XK_Control_L}, XK_o},
                        {"Ctrl+S", {XK_Control_L}, XK_s}}});
    // No chords: a random letter, with Alt (a dialog's mnemonic) or without.
    m_kinds.push_back({12, {}});
}

int CMonkeyInput::Uniform(int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(m_rng);
}

std::string CMonkeyInput::Step(const std::vector<XWindow>& windows) {
    if (!windows.empty() && Uniform(1, 100) <= kMouseShare)
        return Mouse(windows);
    return Key();
}

int CMonkeyInput::PauseMs() {
    return Uniform(kMinPauseMs, kMaxPauseMs);
}

std::string CMonkeyInput::Key() {
    int total = 0;
    for (const Kind& kind : m_kinds)
        total += kind.weight;
    int pick = Uniform(0, total - 1);
    auto kind = m_kinds.begin();
    while (pick >= kind->weight) {
        pick -= kind->weight;
        ++kind;
    }
    Chord chord;
    if (!kind->chords.empty()) {
        chord = kind->chords[static_cast<size_t>(Uniform(0, static_cast<int>(kind->chords.size()) - 1))];
    } else {
        const int letter = Uniform(0, 25);
        chord.key = XK_a + static_cast<unsigned long>(letter);
        chord.name = std::string(1, static_cast<char>('a' + letter));
        if (Uniform(0, 1) == 1) {
            chord.held = {XK_Alt_L};
            chord.name = "Alt+" + chord.name;
        }
    }
    for (unsigned long k : chord.held)
        m_x.KeyDown(k);
    if (chord.longHold) {
        const int holdMs = Uniform(kMinHoldMs, kMaxHoldMs);
        m_x.KeyDown(chord.key);
        QThread::msleep(static_cast<unsigned long>(holdMs));
        m_x.KeyUp(chord.key);
        chord.name += " held " + std::to_string(holdMs) + " ms";
    } else {
        m_x.PressKey(chord.key);
    }
    for (auto it = chord.held.rbegin(); it != chord.held.rend(); ++it)
        m_x.KeyUp(*it);
    return "key " + chord.name;
}

std::string CMonkeyInput::Mouse(const std::vector<XWindow>& windows) {
    const XWindow w = Uniform(1, 100) <= kTopmostShare
                          ? windows.back()
                          : windows[static_cast<size_t>(Uniform(0, static_cast<int>(windows.size()) - 1))];
    const QRect g = m_x.Geometry(w);
    const std::string where = "window " + Hex(w) + " \"" + m_x.Title(w).toStdString() + "\" " +
                              std::to_string(g.width()) + "x" + std::to_string(g.height());
    // Draws the same whether or not the window is still there, so that a replay stays in step.
    const QPoint from(Uniform(0, std::max(0, g.width() - 1)), Uniform(0, std::max(0, g.height() - 1)));
    const QPoint to(Uniform(0, std::max(0, g.width() - 1)), Uniform(0, std::max(0, g.height() - 1)));
    const int kind = Uniform(0, 99);
    const auto at = [](QPoint p) {
        char text[32];
        std::snprintf(text, sizeof(text), "(%d,%d)", p.x(), p.y());
        return std::string(text);
    };
    if (g.isEmpty())
        return "mouse on a window gone: " + where;
    if (kind < 45) {
        m_x.Click(w, from, 1);
        return "left click " + at(from) + " on " + where;
    }
    if (kind < 60) {
        m_x.Click(w, from, 3);
        return "right click " + at(from) + " on " + where;
    }
    if (kind < 80) {
        m_x.Drag(w, from, to);
        return "drag " + at(from) + "->" + at(to) + " on " + where;
    }
    const bool up = to.x() % 2 == 0;
    const int notches = 1 + to.y() % kMaxWheelNotches;
    for (int i = 0; i < notches; ++i)
        m_x.Wheel(w, from, up);
    return std::string("wheel ") + (up ? "up " : "down ") + std::to_string(notches) + " at " + at(from) +
           " on " + where;
}

void CMonkeyInput::ReleaseAll() {
    for (unsigned long k : kHoldable)
        m_x.KeyUp(k);
}
