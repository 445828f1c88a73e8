// A file read in parts whose open the user cancels: the cancel is asked on
// the calling thread at the first bytes read, and the open must end with
// EOpenCancelled, no leaf, and every thread joined.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "model/map_builder.h"
#include "model/map_leaf.h"
#include "model/open_progress.h"

namespace chizro::test {

inline void ExpectOpenCancelledInParts(TMapBuilder& reader, const std::string& path) {
  struct TCancelAtFirstBytes final : TOpenProgress {
    void Files(const std::string&, std::int64_t, std::int64_t) override {}
    void Bytes(const std::string&, std::int64_t, std::int64_t) override { asked = true; }
    bool Cancelled() override { return asked; }
    std::atomic<bool> asked{false};
  } progress;
  const TOpenProgressScope scope(&progress);
  TMapLeafGrp leaves(nullptr);
  EXPECT_THROW(reader.OpenFile(leaves, path), EOpenCancelled);
  EXPECT_TRUE(progress.asked);
  EXPECT_EQ(leaves.Count(), 0);
}

}  // namespace chizro::test
