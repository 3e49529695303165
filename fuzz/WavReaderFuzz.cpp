// The burn job's reader: finds the audio data and hands it out in blocks.
#include <cstdlib>
#include <vector>

#include "control/tracks/CWavReader.h"
#include "fuzz/CFuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CFuzzFile file;
  file.Write(data, size);
  CWavReader reader;
  if (!reader.Open(file.Path16())) std::abort();  // the file exists
  std::vector<BYTE> block(CWavReader::kBlockSize);
  // A reader never hands out more blocks than the file has bytes for, and
  // never more than its header announced.
  const size_t nLimit = size / CWavReader::kBlockSize + 1;
  size_t n = 0;
  while (reader.NextBlock(block.data())) {
    if (++n > nLimit || n > reader.BlockCount()) std::abort();
  }
  if (n != reader.BlocksDelivered()) std::abort();
  if (reader.Complete() && n != reader.BlockCount()) std::abort();
  if (reader.NextBlock(block.data())) std::abort();  // stays at the end
  reader.Close();
  return 0;
}
