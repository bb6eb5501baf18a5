#pragma once

// Symbols of libpadkit.so that the program and the tests use.
#define PADKIT_API __attribute__((visibility("default")))
