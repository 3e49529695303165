#include "platform/imapi/burn/StashSource.h"

#include <fcntl.h>
#include <libburn/libburn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <new>

// The library declares itself in a namespace of its own in C++.
using namespace burn;

namespace imapi_burn {

StashSource::StashSource(int fd, uint64_t offset, uint64_t bytes)
    : fd_(fd), offset_(offset), bytes_(bytes), fixedSize_(static_cast<off_t>(bytes)) {}

StashSource::~StashSource() { ::close(fd_); }

burn_source* StashSource::Create(const std::string& path, uint64_t offset, uint64_t bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // The library frees the structure itself with free().
  auto* source = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
  auto* self = new (std::nothrow) StashSource(fd, offset, bytes);
  if (!source || !self) {
    std::free(source);
    if (self)
      delete self;
    else
      ::close(fd);
    return nullptr;
  }
  source->refcount = 1;
  source->read = nullptr;
  source->read_sub = nullptr;
  source->get_size = &StashSource::GetSize;
  source->set_size = &StashSource::SetSize;
  source->free_data = &StashSource::FreeData;
  source->next = nullptr;
  source->data = self;
  source->version = 1;
  source->read_xt = &StashSource::Read;
  source->cancel = &StashSource::OnCancel;
  return source;
}

StashSource* StashSource::Of(burn_source* source) { return static_cast<StashSource*>(source->data); }

bool StashSource::Complete(burn_source* source) {
  StashSource* self = Of(source);
  return !self->failed_ && self->delivered_ == self->bytes_;
}

int StashSource::Read(burn_source* source, unsigned char* buffer, int size) {
  StashSource* self = Of(source);
  if (self->cancelled_ || size < 0) {
    self->failed_ = true;
    return -1;
  }
  const uint64_t left = self->bytes_ - self->position_;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(left, static_cast<uint64_t>(size)));
  size_t got = 0;
  while (got < want) {
    const ssize_t n = ::pread(self->fd_, buffer + got, want - got, static_cast<off_t>(self->offset_ + self->position_ + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || self->cancelled_) {
      // A read error, the stash ending before the track, or a cancel.
      self->failed_ = true;
      return -1;
    }
    got += static_cast<size_t>(n);
  }
  self->position_ += got;
  self->delivered_ = self->position_;
  return static_cast<int>(got);
}

off_t StashSource::GetSize(burn_source* source) { return Of(source)->fixedSize_; }

int StashSource::SetSize(burn_source* source, off_t size) {
  Of(source)->fixedSize_ = size;
  return 1;
}

int StashSource::OnCancel(burn_source* source) {
  Of(source)->cancelled_ = true;
  return 1;
}

void StashSource::FreeData(burn_source* source) {
  delete Of(source);
  source->data = nullptr;
}

}  // namespace imapi_burn
