#include "Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "Exceptions.h"
#include "Resources.h"

namespace fw {

FW_IMPLEMENT_CLASS(TStream)
FW_IMPLEMENT_CLASS(THandleStream)
FW_IMPLEMENT_CLASS(TFileStream)
FW_IMPLEMENT_CLASS(TCustomMemoryStream)
FW_IMPLEMENT_CLASS(TMemoryStream)
FW_IMPLEMENT_CLASS(TStringStream)
FW_IMPLEMENT_CLASS(TResourceStream)

namespace {

std::string SystemMessage(int error) { return std::error_code(error, std::system_category()).message(); }

// The position that offset from origin gives, or -1 before the start.
std::int64_t Target(std::int64_t offset, TSeekOrigin origin, std::int64_t position, std::int64_t size) {
  std::int64_t base = origin == soFromBeginning ? 0 : origin == soFromCurrent ? position : size;
  std::int64_t t = 0;
  if (__builtin_add_overflow(base, offset, &t) || t < 0) return -1;
  return t;
}

constexpr std::int64_t kChunk = 64 * 1024;

}  // namespace

// ---------------------------------------------------------------- TStream

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, soFromCurrent);
  std::int64_t size = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) {}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(count, kChunk)));
  for (std::int64_t left = count; left > 0;) {
    std::int64_t n = std::min(left, kChunk);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

std::string ReadToEnd(TStream& stream) {
  std::string data;
  std::vector<char> chunk(static_cast<std::size_t>(kChunk));
  for (;;) {
    std::int64_t n = stream.Read(chunk.data(), kChunk);
    if (n < 0) throw EReadError("Stream read error");
    if (n == 0) break;
    data.append(chunk.data(), static_cast<std::size_t>(n));
  }
  return data;
}

// ---------------------------------------------------------------- THandleStream

std::int64_t THandleStream::Read(void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  auto* p = static_cast<unsigned char*>(buffer);
  while (done < count) {
    ssize_t n = ::read(handle_, p + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done > 0 ? done : -1;
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  auto* p = static_cast<const unsigned char*>(buffer);
  while (done < count) {
    ssize_t n = ::write(handle_, p + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done > 0 ? done : -1;
    done += n;
  }
  return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  int whence = origin == soFromBeginning ? SEEK_SET : origin == soFromCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(handle_, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<std::int64_t>(r);
}

std::int64_t THandleStream::Size() {
  struct stat st {};
  if (::fstat(handle_, &st) == 0 && S_ISREG(st.st_mode)) return static_cast<std::int64_t>(st.st_size);
  return TStream::Size();
}

void THandleStream::SetSize(std::int64_t newSize) {
  std::int64_t pos = Position();
  if (newSize < 0 || ::ftruncate(handle_, static_cast<off_t>(newSize)) != 0) {
    int e = newSize < 0 ? EINVAL : errno;
    throw EOSError("System Error.  Code: " + std::to_string(e) + ".\n" + SystemMessage(e));
  }
  if (pos > newSize) Seek(newSize, soFromBeginning);
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : THandleStream(-1), fileName_(fileName) {
  bool create = (mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    unsigned access = mode & 3;
    flags |= access == fmOpenWrite ? O_WRONLY : access == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  }
  int e = 0;
  do {
    handle_ = ::open(fileName.c_str(), flags, 0666);
  } while (handle_ < 0 && errno == EINTR);
  if (handle_ < 0) {
    e = errno;
  } else {
    // A directory opens for reading here, but it is no file to read.
    struct stat st {};
    if (::fstat(handle_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(handle_);
      handle_ = -1;
      e = EISDIR;
    }
  }
  if (handle_ < 0) {
    std::string reason = SystemMessage(e);
    if (create) throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
  }
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}

// ---------------------------------------------------------------- memory streams

void TCustomMemoryStream::SetPointer(const void* data, std::int64_t size) {
  data_ = static_cast<const unsigned char*>(data);
  size_ = size;
}

std::int64_t TCustomMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  std::int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t t = Target(offset, origin, position_, size_);
  if (t >= 0) position_ = t;
  return t;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) const { stream.WriteBuffer(data_, size_); }

void TCustomMemoryStream::SaveToFile(const std::string& fileName) const {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  auto end = static_cast<std::size_t>(position_ + count);
  if (end > buffer_.size()) buffer_.resize(end);
  std::memcpy(buffer_.data() + position_, buffer, static_cast<std::size_t>(count));
  Sync();
  position_ += count;
  return count;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) newSize = 0;
  buffer_.resize(static_cast<std::size_t>(newSize));
  Sync();
  if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Clear() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  Sync();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  std::string data = ReadToEnd(stream);
  buffer_.swap(data);
  Sync();
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

TStringStream::TStringStream(const std::string& data) {
  buffer_ = data;
  Sync();
}

std::string TStringStream::ReadString(std::int64_t count) {
  if (count <= 0 || position_ >= Size()) return std::string();
  std::int64_t n = std::min(count, Size() - position_);
  std::string s = buffer_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(n));
  position_ += n;
  return s;
}

void TStringStream::WriteString(const std::string& s) { WriteBuffer(s.data(), static_cast<std::int64_t>(s.size())); }

TResourceStream::TResourceStream(const std::string& resourceName) {
  TResourceData d = FindResourceData(resourceName);
  if (!d.Data) throw EResNotFound("Resource " + resourceName + " not found");
  SetPointer(d.Data, static_cast<std::int64_t>(d.Size));
}

std::int64_t TResourceStream::Write(const void*, std::int64_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

}  // namespace fw
