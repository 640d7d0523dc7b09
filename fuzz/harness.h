// Fuzzing harnesses: each reader gets one file defining LLVMFuzzerTestOneInput. Built with
// libFuzzer it is a fuzzer; built plainly it is linked with replay_main.cpp and replays seed and
// regression inputs as a test. Every harness bounds its own work (input size, render length).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

// This process's scratch directory (removed at exit), with a trailing "/".
const std::string& ScratchDirectory();
// Writes the bytes into a file of the scratch directory and returns its path.
std::string ScratchFile(const std::string& name, const uint8_t* data, size_t size);
// Stops the process in a way every fuzzer reports: for a broken invariant.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz
