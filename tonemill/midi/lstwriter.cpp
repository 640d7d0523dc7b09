#include "lstwriter.h"

#include "platform/filesystem.h"
#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tonemill {
namespace {

constexpr size_t kBufferBytes = size_t(1) << 16;

}  // namespace

LstFileWriter::LstFileWriter(const std::string& path, int64_t maxBytes) : maxBytes_(maxBytes) {
  fd_ = ::open(platform::NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0)
    status_ = Status::CannotCreate;
  else
    buffer_.resize(kBufferBytes);
}

LstFileWriter::~LstFileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

void LstFileWriter::Line(std::string_view text) {
  Append(text);
  Append("\r\n");
}

void LstFileWriter::Event(const SongEvent& e) {
  char text[40];
  char* p = std::to_chars(text, text + 12, e.time).ptr;
  *p++ = ' ';
  const char* tag = EventTag(e.kind);  // with its blank
  const size_t tagLength = std::strlen(tag);
  std::memcpy(p, tag, tagLength);
  p = std::to_chars(p + tagLength, text + sizeof text, e.value).ptr;
  *p++ = '\r';
  *p++ = '\n';
  Append(std::string_view(text, size_t(p - text)));
}

void LstFileWriter::Append(std::string_view text) {
  if (status_ != Status::Ok) return;
  if (accepted_ + int64_t(text.size()) > maxBytes_) {
    status_ = Status::TooLarge;
    return;
  }
  accepted_ += int64_t(text.size());
  while (!text.empty()) {
    if (used_ == buffer_.size() && !Flush()) return;
    const size_t n = std::min(text.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, text.data(), n);
    used_ += n;
    text.remove_prefix(n);
  }
}

bool LstFileWriter::Flush() {
  for (size_t done = 0; done < used_;) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      status_ = Status::WriteFailed;
      return false;
    }
    done += size_t(n);
  }
  used_ = 0;
  return true;
}

LstFileWriter::Status LstFileWriter::Close() {
  if (fd_ < 0) return status_;
  if (status_ == Status::Ok) Flush();
  if (::close(fd_) != 0 && status_ == Status::Ok) status_ = Status::WriteFailed;
  fd_ = -1;
  return status_;
}

}  // namespace tonemill
