// A scripted stand-in for the disc-mastering service, registered in-process
// under CLSID_MSDiscMasterObj for as long as a FakeDiscMaster lives. It
// answers what its script says, records every call in order and can report
// the reference counts of the objects it handed out, so that callers can be
// checked call by call and for leaks.
//
// Names in the call log: "Master", "Enum", "Redbook", "Joliet" and
// "Recorder<n>" (n = position in the script's recorder list), e.g.
// "Master.SetActiveDiscMasterFormat(Redbook)", "Recorder1.OpenExclusive",
// "Redbook.CreateAudioTrack(300)", "Master.RecordDisc(0,1)". The final
// release of an object is logged as "<name>.destroyed".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/imapi/Imapi.h"

struct FakeRecorderScript {
  std::u16string vendor = u"FAKEVEND";
  std::u16string product = u"Fake Recorder";
  std::u16string revision = u"1.00";
  LONG mediaType = MEDIA_CDDA_CDROM;
  LONG mediaFlags = MEDIA_BLANK | MEDIA_WRITABLE;
  HRESULT hrGetDisplayNames = S_OK;
  HRESULT hrOpenExclusive = S_OK;
  HRESULT hrClose = S_OK;
  HRESULT hrQueryMediaType = S_OK;
  HRESULT hrEject = S_OK;
  HRESULT hrErase = S_OK;
};

struct FakeScript {
  HRESULT hrCreate = S_OK;  // the class factory's answer
  HRESULT hrOpen = S_OK;
  IID activeFormat = IID_IJolietDiscMaster;  // what GetActiveDiscMasterFormat gives first
  HRESULT hrGetActiveFormat = S_OK;
  HRESULT hrSetActiveFormat = S_OK;
  HRESULT hrEnumDiscRecorders = S_OK;
  int activeRecorder = 0;  // GetActiveDiscRecorder's recorder; -1 or out of range: none
  HRESULT hrGetActiveDiscRecorder = S_OK;
  HRESULT hrSetActiveDiscRecorder = S_OK;
  HRESULT hrSetActiveNullRecorder = E_POINTER;
  HRESULT hrProgressAdvise = S_OK;
  HRESULT hrProgressUnadvise = S_OK;
  HRESULT hrRecordDisc = S_OK;
  HRESULT hrClose = S_OK;
  std::vector<FakeRecorderScript> recorders = {FakeRecorderScript{}};
  // Recorder operations other than OpenExclusive/Close/GetDisplayNames give
  // IMAPI_E_NOTOPENED unless the recorder is open for exclusive use.
  bool requireExclusive = true;

  // Staging results by call number (0-based, counted per disc master); calls
  // not listed behave like a careful service: a track opened while one is
  // open gives IMAPI_E_TRACKOPEN, blocks or a close without an open track
  // IMAPI_E_TRACKNOTOPEN, a byte count that is not a positive multiple of
  // 2352 E_INVALIDARG.
  std::map<int, HRESULT> createAudioTrackResults;
  std::map<int, HRESULT> addAudioTrackBlocksResults;
  std::map<int, HRESULT> closeAudioTrackResults;

  // During RecordDisc: QueryCancel, NotifyTrackProgress per staged track,
  // NotifyBlockProgress after each, NotifyClosingDisc(closingSeconds),
  // NotifyBurnComplete(hrRecordDisc) on every advised sink.
  bool callSinks = true;
  LONG closingSeconds = 7;
  // Runs inside RecordDisc after the notifications (on the caller's thread).
  std::function<void()> duringRecord;
};

struct FakeStagedTrack {
  LONG announcedBlocks = 0;
  LONG addedBlocks = 0;
  bool closed = false;
  std::vector<uint8_t> data;
};

struct FakeRecordCall {
  bool simulate = false;
  bool eject = false;
  std::vector<FakeStagedTrack> tracks;
  std::vector<HRESULT> sinkResults;  // what each sink call answered, in order
  bool cancelAsked = false;          // a sink asked to cancel
};

class FakeDiscMaster {
 public:
  // Registers the class object; throws std::runtime_error when that fails.
  explicit FakeDiscMaster(FakeScript script = {});
  ~FakeDiscMaster();
  FakeDiscMaster(const FakeDiscMaster&) = delete;
  FakeDiscMaster& operator=(const FakeDiscMaster&) = delete;

  void SetScript(const FakeScript& script);
  FakeScript Script() const;

  std::vector<std::string> Calls() const;
  // Calls whose text starts with prefix, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
  size_t CountCalls(const std::string& call) const;
  void ClearCalls();

  // Sum of the reference counts of the live objects with that name.
  ULONG RefCount(const std::string& name) const;
  // Objects handed out and not yet destroyed (the class object excluded).
  size_t LiveObjects() const;
  int MastersCreated() const;
  // Sinks currently held by live disc masters.
  size_t AdvisedSinks() const;

  // Staging of the most recently created disc master.
  std::vector<FakeStagedTrack> Staged() const;
  std::vector<FakeRecordCall> Records() const;

  struct State;

 private:
  std::shared_ptr<State> m_state;
  DWORD m_dwRegister = 0;
};
