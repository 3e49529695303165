// A scripted stand-in for the disc-mastering service, registered in-process
// under CLSID_MSDiscMasterObj for as long as a FakeDiscMaster lives. Every
// call is logged as "<object>.<method>" plus its arguments, e.g.
// "Recorder1.Erase(1)", "Master.SetActiveDiscRecorder(Recorder1)",
// "Master.RecordDisc(0,1)"; objects are "Master", "Enum", "Redbook" and
// "Recorder<n>", their final release logs "<object>.destroyed" (a master
// still holding a sink logs "Master.SinkLeftAdvised" first), and the
// class factory logs "Create". A call answers what the script's results
// hold for "<object>.<method>" (or "Create"), else what a careful service
// would. The audio format is the active one from the start; the data
// format is not offered.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/imapi/Imapi.h"

struct FakeScript {
  std::map<std::string, HRESULT> results;  // e.g. {"Recorder0.OpenExclusive", IMAPI_E_DEVICE_NOTACCESSIBLE}
  int recorders = 1;  // named "VENDOR<n>", "Product<n>", "1.<n>"; the first is active
  LONG mediaFlags = MEDIA_BLANK | MEDIA_WRITABLE;
  // Runs inside RecordDisc after the sinks were told of every staged track.
  std::function<void()> duringRecord;
};

// What the fake has seen so far.
struct FakeLog {
  std::vector<std::string> calls;
  size_t liveObjects = 0;  // handed out and not yet destroyed
  std::vector<std::vector<uint8_t>> staged;  // the bytes per track, by the latest master
  bool cancelAsked = false;  // a sink asked RecordDisc to cancel

  size_t CountCalls(const std::string& call) const;
};

class FakeDiscMaster {
 public:
  // Registers the class object; throws std::runtime_error when that fails.
  explicit FakeDiscMaster(FakeScript script = {});
  ~FakeDiscMaster();
  FakeDiscMaster(const FakeDiscMaster&) = delete;
  FakeDiscMaster& operator=(const FakeDiscMaster&) = delete;

  FakeLog Log() const;

  struct State;

 private:
  std::shared_ptr<State> m_state;
  DWORD m_dwRegister = 0;
};
