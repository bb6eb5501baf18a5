#pragma once

#include "XSession.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// The monkey's hands: random key chords from every role Padora gives keys (pads, stop, volume, all-stop,
// groups, menus and their items, dialog keys, letters) and random clicks, drags and wheel turns on the
// windows it is shown. The same seed and the same windows give the same inputs. Main thread.
class CMonkeyInput {
public:
    CMonkeyInput(XSession& x, std::uint32_t seed);

    // One input: a key chord, or, when windows are given (bottom to top), a mouse action at a random point
    // of one of them. Returns what was done, for the log.
    std::string Step(const std::vector<XWindow>& windows);
    // A pause to leave after an input.
    int PauseMs();
    // Lets go of every key and button an input may have left down.
    void ReleaseAll();

private:
    struct Chord {
        std::string name;
        std::vector<unsigned long> held; // pressed before the key, released after it
        unsigned long key = 0;
        bool longHold = false; // the key itself held for a while (volume keys act while held)
    };

    struct Kind {
        int weight = 0;
        std::vector<Chord> chords;
    };

    std::string Key();
    std::string Mouse(const std::vector<XWindow>& windows);
    int Uniform(int lo, int hi); // inclusive

    XSession& m_x;
    std::mt19937 m_rng;
    std::vector<Kind> m_kinds;
};
