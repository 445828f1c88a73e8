#include "model/leaf_prefetch.h"

#include <algorithm>
#include <system_error>

#include "model/map_builder.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_theme.h"

namespace chizro {
namespace {

// More workers than this gain nothing: the paint and the writer on the
// calling thread take the leaves one at a time.
constexpr unsigned kMaxWorkers = 4;

}  // namespace

TLeafPrefetch::TLeafPrefetch(TMapTheme& theme, const std::vector<TMapLeaf*>& order,
                             unsigned workers)
    : theme_(theme),
      builder_(theme.Builder.get()),
      classDefs_(theme.ClassDefs.get()),
      scale_(theme.ViewScale()),
      mode_(theme.CoordMode),
      zone_(theme.Zone),
      datum_(theme.Datum) {
  // As many workers as cores: loading takes more than half of the work,
  // so the loads share the cores with the calling thread's paints and
  // writes rather than leave one core to them. A single core gains nothing.
  if (workers == 0) {
    const unsigned cores = std::thread::hardware_concurrency();
    workers = cores > 1 ? cores : 0;
  }
  workers = std::min(workers, kMaxWorkers);
  if (workers == 0 || !builder_ || !builder_->ConcurrentLoads()) return;
  for (TMapLeaf* leaf : order) {
    if (!leaf || leaf->Loaded) continue;
    TJob job;
    job.Leaf = leaf;
    job.Copy = leaf->LoadCopy();
    jobs_.push_back(std::move(job));
  }
  if (jobs_.size() < 2) {
    jobs_.clear();
    return;
  }
  // One leaf per worker under way or ready, from the next to be written on:
  // enough to keep the writer fed, and no more held in memory.
  ahead_ = workers;
  theme_.Prefetch = this;
  try {
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    // Fewer threads than asked: the paints load what no worker has begun.
  }
}

TLeafPrefetch::~TLeafPrefetch() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : threads_) t.join();
  if (theme_.Prefetch == this) theme_.Prefetch = nullptr;
}

TLeafPrefetch::TJob* TLeafPrefetch::NextJob() {
  const std::size_t end = std::min(jobs_.size(), front_ + ahead_);
  for (std::size_t i = front_; i < end; ++i)
    if (jobs_[i].State == TState::Pending) return &jobs_[i];
  return nullptr;
}

void TLeafPrefetch::Discard(std::vector<std::unique_ptr<TFigGrp>> figures) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& grp : figures) discarded_.push_back(std::move(grp));
  }
  changed_.notify_one();
}

void TLeafPrefetch::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    TJob* job = nullptr;
    changed_.wait(lock, [&] {
      return stop_ || !discarded_.empty() || (job = NextJob()) != nullptr;
    });
    if (!discarded_.empty()) {
      std::vector<std::unique_ptr<TFigGrp>> figures;
      figures.swap(discarded_);
      lock.unlock();
      figures.clear();
      lock.lock();
      continue;
    }
    if (stop_) return;
    job->State = TState::Running;
    lock.unlock();
    Run(*job);
    lock.lock();
    job->State = TState::Done;
    changed_.notify_all();
  }
}

// What TMapTheme::LoadLeaf does, on the copy: the copy starts in the system
// the reader stated at open and ends in the theme's.
void TLeafPrefetch::Run(TJob& job) {
  TMapLeaf& copy = *job.Copy;
  try {
    builder_->LoadLeaf(copy, classDefs_, scale_);
  } catch (...) {
    job.Error = std::current_exception();
  }
  // Nothing may leave a worker thread: an error here goes to the paint.
  try {
    copy.SetCoordSystem(mode_, zone_, datum_);
  } catch (...) {
    if (!job.Error) job.Error = std::current_exception();
  }
}

bool TLeafPrefetch::Load(TMapLeaf& leaf) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                               [&](const TJob& job) { return job.Leaf == &leaf; });
  if (it == jobs_.end() || it->State == TState::Taken) return false;
  TJob& job = *it;
  if (job.State == TState::Pending) {
    // No worker has begun it: load it here rather than wait.
    job.State = TState::Running;
    lock.unlock();
    Run(job);
    lock.lock();
  } else {
    changed_.wait(lock, [&] { return job.State == TState::Done; });
  }
  job.State = TState::Taken;
  while (front_ < jobs_.size() && jobs_[front_].State == TState::Taken) ++front_;
  std::unique_ptr<TMapLeaf> copy = std::move(job.Copy);
  const std::exception_ptr error = job.Error;
  lock.unlock();
  changed_.notify_all();

  leaf.LoadError.clear();
  leaf.NoFigureReason.clear();
  leaf.TakeLoad(*copy);
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      // As the theme's own load: what was built stays on show.
      if (leaf.FigGrpCount() > 0) leaf.Loaded = true;
      leaf.LoadError = e.what();
      throw;
    }
  }
  return true;
}

void TLeafPrefetch::Reach(const TMapLeaf& leaf) {
  std::vector<std::unique_ptr<TMapLeaf>> dropped;  // freed after the lock
  {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                                 [&](const TJob& job) { return job.Leaf == &leaf; });
    if (it == jobs_.end()) return;
    const auto index = static_cast<std::size_t>(it - jobs_.begin());
    for (std::size_t i = front_; i < index; ++i) {
      TJob& job = jobs_[i];
      changed_.wait(lock, [&] { return job.State != TState::Running; });
      if (job.State == TState::Taken) continue;
      job.State = TState::Taken;
      dropped.push_back(std::move(job.Copy));
    }
    while (front_ < jobs_.size() && jobs_[front_].State == TState::Taken) ++front_;
  }
  changed_.notify_all();
}

}  // namespace chizro
