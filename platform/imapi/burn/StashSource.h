// A data source for the burning library that reads one track's range of a
// stash file. It never pads: a stash that ends early fails the write, and a
// source the library cancels gets no more data.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace burn {
struct burn_source;
}

namespace imapi_burn {

using burn::burn_source;

class StashSource {
 public:
  // The source of `bytes` bytes at `offset` of `path`, owned by the library
  // (burn_source_free); nullptr when the file cannot be opened.
  static burn_source* Create(const std::string& path, uint64_t offset, uint64_t bytes);
  // Whether the whole range was delivered without a failed read. The
  // library may call a write good that was fed short or cut off.
  static bool Complete(burn_source* source);

 private:
  StashSource(int fd, uint64_t offset, uint64_t bytes);
  ~StashSource();

  static StashSource* Of(burn_source* source);
  static int Read(burn_source* source, unsigned char* buffer, int size);
  static off_t GetSize(burn_source* source);
  static int SetSize(burn_source* source, off_t size);
  static int OnCancel(burn_source* source);
  static void FreeData(burn_source* source);

  int fd_;
  uint64_t offset_;
  uint64_t bytes_;
  uint64_t position_ = 0;
  off_t fixedSize_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> failed_{false};
  std::atomic<uint64_t> delivered_{0};
};

}  // namespace imapi_burn
