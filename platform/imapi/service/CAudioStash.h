// The audio tracks staged for the next recording, kept in a stash file on
// disk so that a whole disc stages in constant memory. Refuses what a
// recorder could not burn, with the service's result codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/UniqueFd.h"
#include "platform/com/ComTypes.h"
#include "platform/imapi/service/DriveBackend.h"

class CAudioStash {
 public:
  static constexpr LONG kBlockBytes = 2352;
  static constexpr LONG kMinTrackBlocks = 300;  // four seconds
  static constexpr size_t kMaxTracks = 99;

  // The stash file is created in folder at the first track.
  explicit CAudioStash(std::string folder);
  ~CAudioStash();
  CAudioStash(const CAudioStash&) = delete;
  CAudioStash& operator=(const CAudioStash&) = delete;

  HRESULT CreateTrack(LONG nBlocks, uint64_t capacityBlocks);
  HRESULT AddBlocks(const BYTE* pby, LONG cb, uint64_t capacityBlocks);
  HRESULT CloseTrack();

  bool IsTrackOpen() const { return m_bTrackOpen; }
  size_t TrackCount() const { return m_tracks.size(); }
  // Blocks of the closed tracks.
  uint64_t RecordableBlocks() const;
  // Blocks announced for all tracks, the open one included.
  uint64_t AnnouncedBlocks() const;
  // The closed tracks, in order, as offsets into the stash file.
  std::vector<imapi_backend::TrackSpec> Tracks() const;
  const std::string& Path() const { return m_strPath; }

  // Removes stash and unfinished image files that processes which no
  // longer run left in folder.
  static void CleanStale(const std::string& folder);

 private:
  struct Track {
    uint64_t offset = 0;
    uint32_t announced = 0;
    uint32_t written = 0;
  };
  HRESULT EnsureFile();

  std::string m_strFolder;
  std::string m_strPath;
  UniqueFd m_fd;
  std::vector<Track> m_tracks;
  bool m_bTrackOpen = false;
  uint64_t m_nEnd = 0;      // bytes in the file
  uint64_t m_nFlushed = 0;  // bytes handed to the disk so far
  static constexpr uint64_t kFlushBytes = 8 << 20;
};
