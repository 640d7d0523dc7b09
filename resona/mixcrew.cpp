#include "mixcrew.h"

#include <algorithm>
#include <sched.h>

namespace resona {
namespace {

// How far the caller may read ahead of the slowest thread, in commands and in notes (each note
// buffer stays in memory until every thread is past it).
constexpr size_t kMaxBehind = 4096;
constexpr size_t kMaxNotesAhead = 2;
// Sleeping threads are woken once this many commands are posted (or when the caller waits),
// not for each.
constexpr size_t kWakeBatch = 64;
// A thread takes up to this many posted commands at a time, locking once for them.
constexpr size_t kTakeBatch = 128;

}  // namespace

int ProcessorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

MixCrew::MixCrew(const SongFormat& format, MixFile& file, int64_t first, int64_t bytes, int threads)
    : file_(file), windows_(size_t(threads)), doneCount_(size_t(threads), 0) {
  const int64_t frames = bytes / format.frameBytes;
  for (int i = 0; i < threads; ++i) {
    const int64_t from = first + frames * i / threads * format.frameBytes;
    const int64_t to = i + 1 == threads ? file.Limit() : first + frames * (i + 1) / threads * format.frameBytes;
    windows_[size_t(i)].OpenWindow(file, from, to);
    synths_.push_back(std::make_unique<Synth>(format, windows_[size_t(i)], ""));
    synths_.back()->SetPumping(false);
  }
  // Started only once every synth exists: a failed allocation above leaves no thread behind.
  try {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this, i] { Run(i); });
  } catch (...) {
    Stop();
    throw;
  }
}

MixCrew::~MixCrew() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_ = true;
    posted_.notify_all();
    done_.wait(lock, [&] { return Behind() == 0; });
  }
  Stop();
}

void MixCrew::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  posted_.notify_all();
  for (std::thread& t : threads_) t.join();
  threads_.clear();
  if (!windows_.empty()) file_.Absorb(windows_.data(), int(windows_.size()));
  for (MixFile& w : windows_) w.Close();
  windows_.clear();
}

size_t MixCrew::Behind() {
  size_t slowest = postedCount_;
  for (size_t d : doneCount_) slowest = std::min(slowest, d);
  return postedCount_ - slowest;
}

void MixCrew::PostNote(const Instrument& instrument, std::shared_ptr<const NoteSample> note,
                       int32_t line, const Display& display) {
  // The note before last must have been started by every thread.
  if (notes_.size() >= kMaxNotesAhead) {
    const size_t before = notes_[notes_.size() - kMaxNotesAhead];
    WaitUntil([&] { return postedCount_ - Behind() > before; }, [] {});
  }
  while (notes_.size() >= kMaxNotesAhead) notes_.pop_front();
  notes_.push_back(postedCount_);
  Command c;
  c.note = true;
  c.instrument = std::make_shared<const Instrument>(instrument);
  c.sample = std::move(note);
  c.line = line;
  c.display = display;
  Post(std::move(c));
}

void MixCrew::PostEvent(const Event& event, int32_t line, const Display& display) {
  Command c;
  c.event = event;
  c.line = line;
  c.display = display;
  Post(std::move(c));
}

void MixCrew::Post(Command command) {
  WaitUntil([&] { return Behind() < kMaxBehind; }, [] {});
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Drop what every thread has done.
    size_t slowest = postedCount_;
    for (size_t d : doneCount_) slowest = std::min(slowest, d);
    while (firstIndex_ < slowest) {
      commands_.pop_front();
      ++firstIndex_;
    }
    commands_.push_back(std::move(command));
    ++postedCount_;
    wake = postedCount_ - notified_ >= kWakeBatch;
    if (wake) notified_ = postedCount_;
  }
  if (wake) posted_.notify_all();
}

int32_t MixCrew::SlowestLine(int32_t caughtUp, Display& display) {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t slowest = postedCount_;
  for (size_t d : doneCount_) slowest = std::min(slowest, d);
  if (slowest == postedCount_) return caughtUp;
  const Command& c = commands_[slowest - firstIndex_];
  display = c.display;
  return c.line - 1;
}

void MixCrew::Run(int index) {
  Synth& synth = *synths_[size_t(index)];
  windows_[size_t(index)].Prefault();
  size_t next = 0;
  std::vector<const Command*> batch;
  batch.reserve(kTakeBatch);
  for (;;) {
    batch.clear();
    {
      std::unique_lock<std::mutex> lock(mutex_);
      posted_.wait(lock, [&] { return next < postedCount_ || stopping_; });
      if (next >= postedCount_) return;
      // What is posted, up to a batch: the commands stay in place until this thread has done
      // them, so they are played without the lock.
      const size_t end = std::min(postedCount_, next + kTakeBatch);
      for (size_t i = next; i < end; ++i) batch.push_back(&commands_[i - firstIndex_]);
    }
    for (const Command* c : batch) {
      if (c->note)
        synth.PlayNote(*c->instrument, c->sample);
      else
        synth.ApplyEvent(c->event);
    }
    bool tell = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      next += batch.size();
      doneCount_[size_t(index)] = next;
      tell = waiting_;  // what the caller waits for may need no more
    }
    if (tell) done_.notify_all();
  }
}

}  // namespace resona
