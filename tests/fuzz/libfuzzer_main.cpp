// The libFuzzer entry for the reader SOLVANE_FUZZ_TARGET names; one binary per reader.
#include <cstdlib>

#include "tests/fuzz/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const solvane::fuzz::Reader* const reader = solvane::fuzz::FindReader(SOLVANE_FUZZ_TARGET);
  if (reader == nullptr) std::abort();  // a target the table lacks
  reader->read({data, size});
  return 0;
}
