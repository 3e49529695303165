// Reading an audio disc back, offered by the disc-mastering service beside
// the platform's interfaces: the tracks of the recorded disc in one recorder
// and its audio blocks, with progress and cancellation. Hosts compare them
// with what they burnt.
#pragma once

#include "platform/imapi/Imapi.h"

inline constexpr CLSID CLSID_DiscAudioReadback = {0x9870546F, 0x4566, 0x4A2F, {0xA0, 0xE4, 0xF0, 0xB2, 0x7B, 0x86, 0x19, 0xA3}};
inline constexpr IID IID_IDiscAudioReadback = {0x702495CA, 0xD5E8, 0x499F, {0x8A, 0xD5, 0xB6, 0x40, 0xE1, 0xB4, 0xDA, 0xE8}};
inline constexpr IID IID_IDiscReadbackEvents = {0x0A98294A, 0xDF1D, 0x4E78, {0x98, 0x51, 0xA2, 0xC9, 0xA7, 0x2E, 0x90, 0x42}};

struct IDiscReadbackEvents : IUnknown {
  // Asked before every second of audio read; a cancel ends the read with
  // IMAPI_E_USERABORT.
  virtual HRESULT QueryCancel(boolean* pbCancel) = 0;
  // The furthest block read so far, of the disc's blocks.
  virtual HRESULT NotifyReadProgress(LONG nBlocks, LONG nTotalBlocks) = 0;

 protected:
  ~IDiscReadbackEvents() = default;
};

struct IDiscAudioReadback : IUnknown {
  // Takes recorder nRecorder (0-based, in the order of EnumDiscRecorders)
  // and reads the layout of its disc: IMAPI_E_DEVICE_NOTPRESENT for no such
  // recorder, IMAPI_E_DEVICE_NOTACCESSIBLE when it is in use,
  // IMAPI_E_MEDIUM_NOTPRESENT without a disc, IMAPI_E_MEDIUM_INVALIDTYPE for
  // a blank or non-audio disc, IMAPI_E_INVALIDIMAGE for a damaged image.
  virtual HRESULT OpenRecorder(LONG nRecorder) = 0;
  virtual HRESULT GetTrackCount(LONG* pnTracks) = 0;
  // nTrack from 1.
  virtual HRESULT GetTrackExtent(LONG nTrack, LONG* pnFirstBlock, LONG* pnBlocks) = 0;
  // nBlocks 2352-byte blocks from nFirstBlock, all before the end of the
  // last track; cbBuffer must hold them.
  virtual HRESULT ReadAudioBlocks(LONG nFirstBlock, LONG nBlocks, BYTE* pbBuffer, LONG cbBuffer) = 0;
  // One sink at a time; nullptr drops it.
  virtual HRESULT SetEvents(IDiscReadbackEvents* pEvents) = 0;
  // Ejects the disc (the recorder stays taken until Close).
  virtual HRESULT Eject() = 0;
  virtual HRESULT Close() = 0;

 protected:
  ~IDiscAudioReadback() = default;
};

PX_DECLARE_IID(IDiscAudioReadback, IID_IDiscAudioReadback);
PX_DECLARE_IID(IDiscReadbackEvents, IID_IDiscReadbackEvents);
