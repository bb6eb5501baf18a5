#pragma once

#include <QString>

#include <vector>

// The sound set the main window benchmarks play: groups (two unless asked) of ten 3-minute sounds, mp3,
// wav and ogg in turn. The sounds are made once (ffmpeg encodes the mp3 and ogg) and kept in
// $PADORA_BENCH_DIR (default /tmp/padora-bench)/mainwin; returns the group file, or "" when the sounds
// could not be made.
QString MakeBenchSet(int groups = 2);

// Median and largest of a list of figures.
double Median(std::vector<double> v);
double Largest(const std::vector<double>& v);
