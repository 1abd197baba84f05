#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// What every harness shares: the fuzzer's bytes as text, and a way to report a broken promise that the
// fuzzer records as a crash, with the input that caused it.
namespace moorix::fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline void require(bool promise) {
    if (!promise) std::abort();
}

} // namespace moorix::fuzz
