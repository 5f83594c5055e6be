// Streams: byte sequences with a position, over files, memory, strings and
// the resources compiled into the program. Sizes and positions are 64-bit.
#pragma once
#include <cstdint>
#include <string>

#include "Object.h"

namespace fw {

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// Modes of TFileStream: one access mode or fmCreate, optionally with a share
// flag. The share flags are accepted for the callers' sake; on this platform
// files are not locked against other processes.
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,  // create or truncate, read and write
};

class TStream : public TObject {
  FW_CLASS(TStream, TObject)
public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Read and Write move up to count bytes and return how many moved; a read
  // at the end gives 0, a failure that moved nothing gives -1.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // The new position, or -1 (position unchanged) when the target is before
  // the start or the stream cannot seek. Seeking past the end is allowed.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(std::int64_t value) { Seek(value, soFromBeginning); }
  virtual std::int64_t Size();
  // Cuts or extends the stream; the position stays unless it was past the new end.
  virtual void SetSize(std::int64_t newSize);

  // All or nothing: fewer bytes raise EReadError "Stream read error" or
  // EWriteError "Stream write error".
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from source's position; count 0 copies the whole of
  // source from its start. Returns the number copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// The bytes from the stream's position to its end, read until the stream
// gives no more; a read failure raises EReadError "Stream read error".
std::string ReadToEnd(TStream& stream);

// A stream over an open file descriptor that it does not own.
class THandleStream : public TStream {
  FW_CLASS(THandleStream, TStream)
public:
  explicit THandleStream(int handle) : handle_(handle) {}
  int Handle() const { return handle_; }

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t newSize) override;  // raises EOSError on failure

protected:
  int handle_;
};

// A named file, opened or created by the constructor and closed by the
// destructor. Writes go straight to the file. Failures raise EFOpenError
// ("Cannot open file "name". reason") or EFCreateError ("Cannot create file ...").
class TFileStream : public THandleStream {
  FW_CLASS(TFileStream, THandleStream)
public:
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream() override;
  const std::string& FileName() const { return fileName_; }

private:
  std::string fileName_;
};

// Reading and seeking over a block of memory that a descendant provides.
class TCustomMemoryStream : public TStream {
  FW_CLASS(TCustomMemoryStream, TStream)
public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return size_; }
  const void* Memory() const { return data_; }

  // The whole content, whatever the position.
  void SaveToStream(TStream& stream) const;
  void SaveToFile(const std::string& fileName) const;

protected:
  void SetPointer(const void* data, std::int64_t size);
  std::int64_t position_ = 0;

private:
  const unsigned char* data_ = nullptr;
  std::int64_t size_ = 0;
};

// A growable stream in memory. A write past the end fills the gap with zeros.
class TMemoryStream : public TCustomMemoryStream {
  FW_CLASS(TMemoryStream, TCustomMemoryStream)
public:
  TMemoryStream() = default;
  using TCustomMemoryStream::Memory;
  void* Memory() { return buffer_.data(); }

  std::int64_t Write(const void* buffer, std::int64_t count) override;
  void SetSize(std::int64_t newSize) override;
  void Clear();  // size and position 0

  // Replace the content with the whole of stream (from its start) or of the
  // file; the position becomes 0.
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);

protected:
  void Sync() { SetPointer(buffer_.data(), static_cast<std::int64_t>(buffer_.size())); }
  std::string buffer_;  // bytes, not text
};

// A memory stream whose content is a string.
class TStringStream : public TMemoryStream {
  FW_CLASS(TStringStream, TMemoryStream)
public:
  explicit TStringStream(const std::string& data = std::string());
  const std::string& DataString() const { return buffer_; }
  // Up to count bytes from the position (fewer at the end).
  std::string ReadString(std::int64_t count);
  void WriteString(const std::string& s);
};

// A read-only stream over a resource compiled into the program (Resources.h).
// A missing resource raises EResNotFound "Resource name not found".
class TResourceStream : public TCustomMemoryStream {
  FW_CLASS(TResourceStream, TCustomMemoryStream)
public:
  explicit TResourceStream(const std::string& resourceName);
  // Raises EStreamError: the resource's data is part of the program.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
};

}  // namespace fw
