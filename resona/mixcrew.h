// Mixing one song on several threads. The caller's thread reads the list, checks every line and
// prepares every note as the single-threaded driver does; each thread owns a time range of the
// output held in memory, plays every note of the list in list order from its start, and adds
// only the frames of its range. The sums of every output sample are thus formed in the same
// order as on one thread, and each note is blocked from the start of its envelope phases as
// there, so the bytes are the same for any number of threads.
#pragma once

#include "mixfile.h"
#include "render.h"
#include "voice.h"

#include <chrono>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace resona {

class MixCrew {
 public:
  // What the host shows while the threads are behind the caller's reading.
  struct Display {
    char instrument[12] = {};
    int32_t baseNote = 64;
    int32_t currentNote = 64;
  };

  // Starts `threads` threads on `file`, which holds the song in memory from `first` (a frame
  // boundary) on, splitting its `bytes` of silence among them; the last range runs to the limit.
  MixCrew(const SongFormat& format, MixFile& file, int64_t first, int64_t bytes, int threads);
  ~MixCrew();  // finishes what was posted
  MixCrew(const MixCrew&) = delete;
  MixCrew& operator=(const MixCrew&) = delete;

  // Commands, in list order. `line` is the list line a command comes from, `display` what the
  // host shows once the threads are there. Waits while the threads are far behind, pumping.
  void PostNote(const Instrument& instrument, std::shared_ptr<const NoteSample> note, int32_t line,
                const Display& display);
  void PostEvent(const Event& event, int32_t line, const Display& display);

  // Where the slowest thread is: the last line all threads have done (or `caughtUp` when no
  // command is pending) and what was shown for the line it is at.
  int32_t SlowestLine(int32_t caughtUp, Display& display);

  // Waits, pumping, until every thread has done everything posted, stops them, and takes what
  // they mixed into the file. The host's progress is set before each pump by `show`.
  template <class Show>
  void Finish(Show show) {
    WaitUntil([&] { return Behind() == 0; }, show);
    Stop();
  }

 private:
  struct Command {
    bool note = false;
    std::shared_ptr<const Instrument> instrument;
    std::shared_ptr<const NoteSample> sample;
    Event event;
    int32_t line = 0;
    Display display;
  };
  void Post(Command command);
  void Run(int index);
  size_t Behind();  // commands the slowest thread has still to do; with the lock held
  void Stop();
  // Waits, pumping every 20 ms, until `ready` (tested with the lock held). The threads are
  // woken for everything posted, and tell the caller of each batch they finish while it waits.
  template <class Ready, class Show>
  void WaitUntil(Ready ready, Show show) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ready()) {
      waiting_ = true;
      notified_ = postedCount_;
      posted_.notify_all();
      if (done_.wait_for(lock, std::chrono::milliseconds(20), ready)) break;
      lock.unlock();
      show();
      Pump();
      lock.lock();
    }
    waiting_ = false;
  }

  MixFile& file_;
  std::vector<MixFile> windows_;
  std::vector<std::unique_ptr<Synth>> synths_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable posted_, done_;
  std::deque<Command> commands_;
  size_t firstIndex_ = 0;         // the index of commands_.front()
  size_t postedCount_ = 0;        // commands posted so far
  std::vector<size_t> doneCount_;  // per thread, commands done
  std::deque<size_t> notes_;       // the indices of the last notes posted
  bool stopping_ = false;
  size_t notified_ = 0;   // commands the threads were woken for
  bool waiting_ = false;  // the caller waits for the threads
};

// Processors online, at least 1.
int ProcessorCount();

}  // namespace resona
