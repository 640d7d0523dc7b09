#include "samplecache.h"

#include "samplefile.h"
#include "voice.h"

#include <cstdlib>
#include <list>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

namespace resona::samplecache {
namespace {

struct Entry {
  std::shared_ptr<const void> item;
  int64_t bytes = 0;
  std::list<std::string>::iterator use;  // its place in the order of use, latest first
};

int64_t DefaultBound() {
  if (const char* mib = std::getenv("RESONA_SAMPLE_CACHE_MIB"); mib && std::atoll(mib) >= 0)
    return std::min<int64_t>(std::atoll(mib), 1 << 20) << 20;
  return int64_t(256) << 20;
}

class Store {
 public:
  void Hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++holders_;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (holders_ > 0 && --holders_ == 0) {
      entries_.clear();
      order_.clear();
      bytes_ = 0;
    }
  }
  bool Held() {
    std::lock_guard<std::mutex> lock(mutex_);
    return holders_ > 0;
  }
  std::shared_ptr<const void> Find(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second.use);
    return it->second.item;
  }
  void Keep(const std::string& key, std::shared_ptr<const void> item, int64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (holders_ == 0 || bytes > bound_ || entries_.count(key)) return;
    while (bytes_ + bytes > bound_ && !order_.empty()) {
      auto last = entries_.find(order_.back());
      bytes_ -= last->second.bytes;
      entries_.erase(last);
      order_.pop_back();
    }
    order_.push_front(key);
    entries_.emplace(key, Entry{std::move(item), bytes, order_.begin()});
    bytes_ += bytes;
  }
  int64_t Bytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
  }
  void SetBound(int64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    bound_ = bytes;
    while (bytes_ > bound_ && !order_.empty()) {
      auto last = entries_.find(order_.back());
      bytes_ -= last->second.bytes;
      entries_.erase(last);
      order_.pop_back();
    }
  }

 private:
  std::mutex mutex_;
  int holders_ = 0;
  int64_t bound_ = DefaultBound();
  int64_t bytes_ = 0;
  std::unordered_map<std::string, Entry> entries_;
  std::list<std::string> order_;
};

Store& TheStore() {
  static Store* store = new Store;  // never destroyed: threads of other libraries may outlive exit
  return *store;
}

int64_t BytesOf(const std::vector<int16_t>& a) { return int64_t(a.capacity() * sizeof(int16_t)); }

}  // namespace

void Hold() { TheStore().Hold(); }
void Release() { TheStore().Release(); }
bool Held() { return TheStore().Held(); }

std::string SampleKey(const std::string& path, const std::string& preparation) {
  if (path.empty() || !Held()) return {};
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return path + '\n' + std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' +
         std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
         std::to_string(st.st_mtim.tv_nsec) + '\n' + preparation;
}

std::shared_ptr<const InstrumentSample> FindSample(const std::string& key) {
  if (key.empty()) return nullptr;
  return std::static_pointer_cast<const InstrumentSample>(TheStore().Find("S" + key));
}

void KeepSample(const std::string& key, std::shared_ptr<const InstrumentSample> sample) {
  if (key.empty() || !sample) return;
  const int64_t bytes = BytesOf(sample->left) + BytesOf(sample->right);
  TheStore().Keep("S" + key, std::move(sample), bytes);
}

std::shared_ptr<const NoteSample> FindNote(const std::string& key) {
  if (key.empty()) return nullptr;
  return std::static_pointer_cast<const NoteSample>(TheStore().Find("N" + key));
}

void KeepNote(const std::string& key, std::shared_ptr<const NoteSample> note) {
  if (key.empty() || !note) return;
  // A note played from its instrument sample's arrays keeps them: they count for it as well.
  int64_t bytes = BytesOf(note->leftStore) + BytesOf(note->rightStore);
  if (note->sample) bytes += BytesOf(note->sample->left) + BytesOf(note->sample->right);
  TheStore().Keep("N" + key, std::move(note), bytes);
}

int64_t BytesKept() { return TheStore().Bytes(); }
void SetBound(int64_t bytes) { TheStore().SetBound(bytes); }

}  // namespace resona::samplecache
