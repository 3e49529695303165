// Bounded reads from a file descriptor, retried on interruption.
#pragma once

#include <sys/types.h>

#include <cstddef>

// One read(2) of at most nBytes, repeated while interrupted: the bytes read,
// 0 at the end of the file, -1 on an error.
ssize_t ReadSome(int fd, void* pBuffer, size_t nBytes);
// Reads until nBytes have arrived, the file ends or an error occurs: the bytes
// read (fewer than asked at the end of the file), -1 on an error before any.
ssize_t ReadFull(int fd, void* pBuffer, size_t nBytes);
