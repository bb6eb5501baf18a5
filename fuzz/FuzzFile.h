#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {
// A file of this process holding the input (in shared memory when there is some: the readers
// under test take paths). Each call overwrites the same file.
std::string WriteInput(const std::uint8_t* data, std::size_t size, const char* suffix);
} // namespace fuzz
