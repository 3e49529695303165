// Reads and writes on a file descriptor that finish the job: retried on
// interruption, continued after partial transfers.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// One read(2) of at most nBytes, repeated while interrupted: the bytes read,
// 0 at the end of the file, -1 on an error.
ssize_t ReadSome(int fd, void* pBuffer, size_t nBytes);
// Reads until nBytes have arrived, the file ends or an error occurs: the bytes
// read (fewer than asked at the end of the file), -1 on an error before any.
ssize_t ReadFull(int fd, void* pBuffer, size_t nBytes);
// Writes all nBytes; false (errno set) on the first error.
bool WriteAll(int fd, const void* pData, size_t nBytes);
// Opens path for reading without ever waiting for a writer or a device: a
// FIFO, socket, device or folder is refused (-1, errno EINVAL), as is a path
// with an embedded NUL (ENOENT). The descriptor returned blocks as usual.
int OpenRegularFile(const char* szPath, size_t nLength);
// ReadFull at an offset, leaving the file position alone.
ssize_t ReadFullAt(int fd, void* pBuffer, size_t nBytes, uint64_t qwOffset);
