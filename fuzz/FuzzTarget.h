// What every fuzz target provides besides LLVMFuzzerTestOneInput, and the
// helpers they share. A target is one .cpp file defining the three symbols
// below plus one ml_fuzz_target line in fuzz/CMakeLists.txt.
//
// Run with ML_FUZZ_SEEDS=DIR a target writes its seeds into DIR and exits;
// with ML_FUZZ_REPRO=ROOT as well it also copies the files under ROOT that
// its repro patterns match. scripts/fuzz does both before fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FuzzSeed {
    std::string name;
    std::string bytes;
};

// Inputs that reach deep into the parser: valid files of each kind it takes and
// a few near misses. Generated here, so no binary file is kept in the repository.
std::vector<FuzzSeed> FuzzSeeds();

// Shell patterns, relative to a repro root (a folder of productions), of the
// files this target replays; ends with nullptr.
extern const char* const kFuzzReproPatterns[];

namespace fuzz {

// A private scratch folder (on tmpfs when there is one), made on first use,
// removed at exit; the process's working directory while fuzzing.
const std::string& ScratchDir();

// Writes bytes to a file in the scratch folder; returns its path relative to it.
std::string WriteScratch(const std::string& name, std::string_view bytes);

// Splits the input at NUL bytes into at most count parts (the last keeps the rest).
std::vector<std::string_view> Split(const uint8_t* data, size_t size, size_t count);

// Joins parts with NUL bytes, the inverse of Split, for seeds.
std::string Join(const std::vector<std::string>& parts);

} // namespace fuzz
