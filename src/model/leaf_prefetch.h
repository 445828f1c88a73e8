// Loading the leaves of a theme ahead of the paints that need them, on a
// small pool of worker threads, while the caller paints and writes the
// leaves in order (the JW_CAD output of a folder of sheets).
//
// Each leaf of the order is loaded into a copy of it made on the calling
// thread (names, file and the system the reader stated at open), with the
// theme's reader, and converted into the theme's system there too. When the
// paint of a leaf asks the theme to load it, the theme takes the finished
// copy instead (waiting for it, or loading it itself when no worker has
// begun): the leaf ends up exactly as a load on the calling thread leaves it,
// errors included, so the output does not depend on the number of threads.
// The lazy load and unload of the leaves stays the paints' business: a
// prefetched load is used once, the next load of the same leaf reads again.
//
// Only readers whose LoadLeaf may run for different leaves at once
// (TMapBuilder::ConcurrentLoads) are prefetched; for others, and when the
// machine has a single core, this does nothing. At most a few leaves are
// held ready ahead of the last one taken, so memory stays bounded.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "model/geometry.h"

namespace chizro {

class TClassDefGrp;
class TFigGrp;
class TMapBuilder;
class TMapLeaf;
class TMapTheme;

class TLeafPrefetch final {
public:
  // Starts loading those of `order` (leaves of `theme`) that are not loaded
  // yet, in that order, and attaches itself to the theme. `workers` 0 takes
  // the machine's cores.
  TLeafPrefetch(TMapTheme& theme, const std::vector<TMapLeaf*>& order, unsigned workers = 0);
  // Stops the workers (a load under way is finished and dropped) and
  // detaches from the theme.
  ~TLeafPrefetch();
  TLeafPrefetch(const TLeafPrefetch&) = delete;
  TLeafPrefetch& operator=(const TLeafPrefetch&) = delete;

  // Loads `leaf` from its prefetched copy, as TMapTheme::LoadLeaf would load
  // it (a failed load rethrows the reader's error with what it built kept on
  // the leaf). False when the leaf has no prefetched load waiting; the
  // theme then loads it itself.
  bool Load(TMapLeaf& leaf);

  // The caller has moved on to `leaf`: the prefetched loads of the leaves
  // before it in the order that were never asked for are dropped. Nothing
  // happens for a leaf that has no prefetched load.
  void Reach(const TMapLeaf& leaf);

  // Takes the figures of a leaf being unloaded, which a worker frees: the
  // calling thread paints and writes meanwhile.
  void Discard(std::vector<std::unique_ptr<TFigGrp>> figures);

  // Worker threads started (0 when nothing is prefetched).
  std::size_t Workers() const noexcept { return threads_.size(); }

private:
  enum class TState { Pending, Running, Done, Taken };
  struct TJob {
    TMapLeaf* Leaf = nullptr;
    std::unique_ptr<TMapLeaf> Copy;
    std::exception_ptr Error;
    TState State = TState::Pending;
  };

  void Work();
  void Run(TJob& job);
  // The next job a worker may begin, or null; the lock is held.
  TJob* NextJob();

  TMapTheme& theme_;
  TMapBuilder* builder_;
  const TClassDefGrp* classDefs_;
  double scale_;
  TCoordMode mode_;
  TZone zone_;
  TDatum datum_;
  std::vector<TJob> jobs_;
  std::size_t front_ = 0;  // jobs before it are taken or dropped
  std::size_t ahead_ = 0;  // jobs begun at most this far past front_
  std::vector<std::unique_ptr<TFigGrp>> discarded_;
  bool stop_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::thread> threads_;
};

}  // namespace chizro
