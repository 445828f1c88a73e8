// Replays every input kept under fuzz/regressions/<target>/ (inputs that once
// found a bug) and fuzz/seeds/<target>/ through the same entry points the
// fuzzers use, under whatever sanitizers this build has.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/targets/fuzz_targets.h"
#include "test_support.h"

namespace chizro::fuzz {
namespace {

std::vector<std::filesystem::path> InputsOf(std::string_view target) {
  std::vector<std::filesystem::path> inputs;
  for (const char* kind : {"regressions", "seeds"}) {
    const std::filesystem::path dir = std::filesystem::path(CHIZRO_FUZZ_DIR) / kind / target;
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  return inputs;
}

TEST(FuzzReplay, EveryKeptInputRunsCleanly) {
  std::size_t count = 0;
  const TFuzzTargetInfo* targets = FuzzTargets(count);
  std::size_t replayed = 0;
  for (std::size_t t = 0; t < count; ++t) {
    for (const auto& input : InputsOf(targets[t].Name)) {
      SCOPED_TRACE(input.string());
      const std::string bytes = test::ReadFile(input.string());
      EXPECT_NO_THROW(targets[t].Run(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size()));
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0u) << "no seeds or regression inputs found under " << CHIZRO_FUZZ_DIR;
}

}  // namespace
}  // namespace chizro::fuzz
