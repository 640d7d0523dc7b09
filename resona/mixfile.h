// The output WAV file used as the mix buffer: blocks are read at the current position
// (silence beyond the end of the file), modified and written back.
//
// A song that fits its memory budget is mixed in memory instead: every note is mixed in place
// in the process's memory, with no reads and writes of its own, and the file gets the mix in
// one pass when it is closed (also after a failure). The silence pass takes the disk's blocks
// for the song as the streamed form's writes would (a full disk shows there alike), and so do
// the notes that extend the file, ahead of their frames. The bytes and the lengths the file
// passes through at the points the caller can see are the same in both forms.
#pragma once

#include <cstdint>

namespace resona {

class MixFile {
 public:
  MixFile() = default;
  ~MixFile();
  MixFile(const MixFile&) = delete;
  MixFile& operator=(const MixFile&) = delete;

  // Opens an existing file for reading and writing. `silence` is the byte that silence is made
  // of; nothing is ever written at or beyond `limit` bytes.
  bool Open(const char* path, uint8_t silence, int64_t limit);
  // Writes a mix held in memory to the file and closes it. False when that failed.
  bool Close();

  // Switches an open, empty-bodied file to mixing in memory, mapped up to the limit. False (and
  // the file stays streamed) when it cannot be mapped.
  bool HoldInMemory();
  // Makes this a view of `whole`'s memory for one mixing thread, which mixes the bytes in
  // [from, to) (file offsets at frame boundaries) and nothing else.
  void OpenWindow(MixFile& whole, int64_t from, int64_t to);
  // Takes in what the windows mixed: the file's length becomes the farthest any of them went,
  // and what lies between their mixed bytes and that length is silence.
  void Absorb(const MixFile* windows, int count);
  bool InMemory() const { return memory_ != nullptr; }
  // In memory: makes the pages of the file's present length (of a window: of the silence in
  // its range) ready for writing now, in one go, rather than at the first touch of each (a
  // hint: nothing changes when it cannot be done).
  void Prefault();
  // In memory: writes the mix to the file and cuts the blocks taken ahead of it; false when
  // that failed.
  bool Flush();

  int64_t Position() const { return position_; }
  void Seek(int64_t position) { position_ = position; }
  void Skip(int64_t bytes) { position_ += bytes; }
  int64_t Limit() const { return limit_; }
  // Where this file stops mixing: the limit, or the end of a window's range unless the window
  // is the song's last one (which alone mixes what lies past the silence). A note that gets
  // there has nothing more to add to this file.
  int64_t MixEnd() const { return window_ && !grows_ ? to_ : limit_; }
  int64_t Size() const { return size_; }

  // Reads `bytes` at the current position without moving it.
  void Read(uint8_t* buffer, int64_t bytes);
  // Writes `bytes` at the current position and moves past them. A gap between the end of the
  // file and the position is filled with silence first.
  void Write(const uint8_t* buffer, int64_t bytes);
  // The frames [first, last) of a block of `frames` frames at `at` that this file mixes: all
  // of them, unless it is a window.
  void Owned(int64_t at, int32_t frames, int32_t frameBytes, int32_t& first, int32_t& last) const;
  // In memory: the `bytes` at `at` to modify in place, as Read then Write would see them, the
  // file reaching at least their end; nullptr when the file is streamed (then use those). The
  // caller keeps within the limit (and a window within its range).
  uint8_t* ModifyAt(int64_t at, int64_t bytes);
  // In memory: the file reaches at least `end`, as a write up to there would leave it.
  void Extend(int64_t end);
  // Appends silence, for the silence pass. False when fewer bytes than asked were written.
  bool WriteAll(const uint8_t* buffer, int64_t bytes);
  bool WriteFailed() const { return writeFailed_; }

 private:
  bool WriteAt(const uint8_t* buffer, int64_t bytes, int64_t at);
  // In memory: silences [at, at + bytes) there and takes the disk's blocks for it, extending
  // the file; false (the file as it was) where the file system cannot or the disk is full.
  bool Reserve(int64_t at, int64_t bytes);
  // In memory: writes the memory's [from, to) to the file; how far it got.
  int64_t WriteOutRange(int64_t from, int64_t to);
  // In memory: the file gets the mix, up to its length.
  bool WriteOut();
  // Makes [at, at + bytes) available in memory, silencing what lies past the end; false when
  // that goes past the budget, after which the file is streamed.
  bool Reach(int64_t at, int64_t bytes);
  void Release();
  // Writes silence on disk up to at least `end`; false when the disk has no room.
  bool Grow(int64_t end);
  int fd_ = -1;
  uint8_t silence_ = 0;
  int64_t limit_ = 0;
  int64_t position_ = 0;
  int64_t size_ = 0;
  bool writeFailed_ = false;

  // The mix in memory: file offsets [base_, base_ + capacity_) live at memory_, in memory that
  // stands for the file from offset 0 at map_.
  uint8_t* map_ = nullptr;
  uint8_t* memory_ = nullptr;
  int64_t base_ = 0;
  int64_t capacity_ = 0;
  int64_t mapped_ = 0;
  int64_t onDisk_ = 0;  // the disk file's length
  // A window: the range it mixes, and how far its part of the memory holds the mix.
  bool window_ = false;
  MixFile* whole_ = nullptr;
  bool grows_ = false;  // the window of the song's last range, the only one past the silence
  int64_t from_ = 0, to_ = 0, filled_ = 0;
};

}  // namespace resona
