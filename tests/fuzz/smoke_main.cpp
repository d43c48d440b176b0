// Feeds a harness a deterministic stream of inputs: random bytes drawn mostly from the
// characters its format gives meaning to, in lengths up to a few hundred bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main() {
  static const std::string kMeaningful = "=;#\r\n \t/-\"cCpPtTsS0123456789+xX_abMWHtrue";
  std::mt19937 random(20261206);
  std::vector<uint8_t> input;
  constexpr int kRuns = 20000;
  for (int run = 0; run < kRuns; ++run) {
    input.resize(random() % 300);
    for (uint8_t& byte : input) {
      byte = random() % 4 == 0 ? uint8_t(random())
                               : uint8_t(kMeaningful[random() % kMeaningful.size()]);
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%d inputs, no failure\n", kRuns);
  return 0;
}
