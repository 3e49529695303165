#include "tests/control/imapi/FakeDiscMaster.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>

#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ResultMacros.h"

namespace {
constexpr LONG kBlockBytes = 2352;

// The scripted result for that call number, or the careful service's answer.
HRESULT Pick(const std::map<int, HRESULT>& scripted, int call, HRESULT otherwise) {
  auto it = scripted.find(call);
  return it != scripted.end() ? it->second : otherwise;
}
}

struct FakeDiscMaster::State {
  mutable std::mutex mu;
  FakeScript script;
  std::vector<std::string> calls;
  std::map<const void*, std::pair<std::string, std::function<ULONG()>>> live;
  int mastersCreated = 0;
  size_t sinks = 0;
  std::vector<FakeStagedTrack> staged;
  std::vector<FakeRecordCall> records;

  void Log(std::string call) {
    std::lock_guard lock(mu);
    calls.push_back(std::move(call));
  }
  FakeScript Copy() const {
    std::lock_guard lock(mu);
    return script;
  }
};

namespace {

using State = FakeDiscMaster::State;

// Bookkeeping shared by the fake objects.
template <class Derived, class Itf>
class FakeObject : public ComObject<Derived, Itf> {
 protected:
  FakeObject(std::shared_ptr<State> state, std::string name) : m_state(std::move(state)), m_name(std::move(name)) {
    std::lock_guard lock(m_state->mu);
    m_state->live[this] = {m_name, [this] { return this->RefCount(); }};
  }
  ~FakeObject() override {
    std::lock_guard lock(m_state->mu);
    m_state->live.erase(this);
    m_state->calls.push_back(m_name + ".destroyed");
  }
  void Log(const std::string& what) { m_state->Log(m_name + "." + what); }

  std::shared_ptr<State> m_state;
  std::string m_name;
};

class FakeRecorder final : public FakeObject<FakeRecorder, IDiscRecorder> {
 public:
  FakeRecorder(std::shared_ptr<State> state, int index)
      : FakeObject(std::move(state), "Recorder" + std::to_string(index)), m_index(index) {}

  int Index() const { return m_index; }

  HRESULT Init(BYTE*, ULONG, ULONG) override { return E_NOTIMPL; }
  HRESULT GetRecorderGUID(BYTE*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT GetRecorderType(LONG* fTypeCode) override {
    if (!fTypeCode) return E_POINTER;
    *fTypeCode = RECORDER_CDRW;
    return S_OK;
  }
  HRESULT GetDisplayNames(BSTR* pbstrVendorID, BSTR* pbstrProductID, BSTR* pbstrRevision) override {
    Log("GetDisplayNames");
    FakeRecorderScript s = Script();
    if (FAILED(s.hrGetDisplayNames)) return s.hrGetDisplayNames;
    if (pbstrVendorID) *pbstrVendorID = SysAllocStringLen(s.vendor.data(), static_cast<UINT>(s.vendor.size()));
    if (pbstrProductID) *pbstrProductID = SysAllocStringLen(s.product.data(), static_cast<UINT>(s.product.size()));
    if (pbstrRevision) *pbstrRevision = SysAllocStringLen(s.revision.data(), static_cast<UINT>(s.revision.size()));
    return s.hrGetDisplayNames;
  }
  HRESULT GetBasePnPID(BSTR*) override { return E_NOTIMPL; }
  HRESULT GetPath(BSTR*) override { return E_NOTIMPL; }
  HRESULT GetRecorderProperties(IPropertyStorage**) override { return E_NOTIMPL; }
  HRESULT SetRecorderProperties(IPropertyStorage*) override { return E_NOTIMPL; }
  HRESULT GetRecorderState(ULONG* pulDevStateFlags) override {
    if (!pulDevStateFlags) return E_POINTER;
    *pulDevStateFlags = m_bOpen ? RECORDER_OPENED : RECORDER_DOING_NOTHING;
    return S_OK;
  }
  HRESULT OpenExclusive() override {
    Log("OpenExclusive");
    HRESULT hr = Script().hrOpenExclusive;
    if (SUCCEEDED(hr)) m_bOpen = true;
    return hr;
  }
  HRESULT QueryMediaType(LONG* fMediaType, LONG* fMediaFlags) override {
    Log("QueryMediaType");
    FakeRecorderScript s = Script();
    if (HRESULT hr = NeedOpen(); FAILED(hr)) return hr;
    if (FAILED(s.hrQueryMediaType)) return s.hrQueryMediaType;
    if (fMediaType) *fMediaType = s.mediaType;
    if (fMediaFlags) *fMediaFlags = s.mediaFlags;
    return s.hrQueryMediaType;
  }
  HRESULT QueryMediaInfo(BYTE*, BYTE*, ULONG*, ULONG*, ULONG*) override { return E_NOTIMPL; }
  HRESULT Eject() override {
    Log("Eject");
    if (HRESULT hr = NeedOpen(); FAILED(hr)) return hr;
    return Script().hrEject;
  }
  HRESULT Erase(boolean bFullErase) override {
    Log(std::string("Erase(") + (bFullErase ? "1" : "0") + ")");
    if (HRESULT hr = NeedOpen(); FAILED(hr)) return hr;
    return Script().hrErase;
  }
  HRESULT Close() override {
    Log("Close");
    HRESULT hr = Script().hrClose;
    if (SUCCEEDED(hr)) m_bOpen = false;
    return hr;
  }

 private:
  FakeRecorderScript Script() const {
    std::lock_guard lock(m_state->mu);
    const auto& r = m_state->script.recorders;
    return m_index < static_cast<int>(r.size()) ? r[m_index] : FakeRecorderScript{};
  }
  HRESULT NeedOpen() const {
    bool strict = m_state->Copy().requireExclusive;
    return strict && !m_bOpen ? IMAPI_E_NOTOPENED : S_OK;
  }

  int m_index;
  std::atomic<bool> m_bOpen{false};
};

// What a disc master shares with the objects that it hands out.
struct MasterData {
  std::vector<ComPtr<FakeRecorder>> recorders;
  std::mutex mu;
  int createCalls = 0;
  int addCalls = 0;
  int closeCalls = 0;
  bool trackOpen = false;
};

class FakeEnum final : public FakeObject<FakeEnum, IEnumDiscRecorders> {
 public:
  FakeEnum(std::shared_ptr<State> state, std::shared_ptr<MasterData> data)
      : FakeObject(std::move(state), "Enum"), m_data(std::move(data)) {}

  HRESULT Next(ULONG cRecorders, IDiscRecorder** ppRecorder, ULONG* pcFetched) override {
    Log("Next");
    if (!ppRecorder) return E_POINTER;
    ULONG n = 0;
    while (n < cRecorders && m_pos < m_data->recorders.size()) {
      (void)ComPtr<IDiscRecorder>(m_data->recorders[m_pos++].Get()).CopyTo(&ppRecorder[n]);
      ++n;
    }
    for (ULONG i = n; i < cRecorders; ++i) ppRecorder[i] = nullptr;
    if (pcFetched) *pcFetched = n;
    return n == cRecorders ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG cRecorders) override {
    Log("Skip");
    m_pos = std::min(m_data->recorders.size(), m_pos + cRecorders);
    return m_pos < m_data->recorders.size() ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    Log("Reset");
    m_pos = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumDiscRecorders**) override { return E_NOTIMPL; }

 private:
  std::shared_ptr<MasterData> m_data;
  size_t m_pos = 0;
};

class FakeJoliet final : public FakeObject<FakeJoliet, IJolietDiscMaster> {
 public:
  explicit FakeJoliet(std::shared_ptr<State> state) : FakeObject(std::move(state), "Joliet") {}
  HRESULT GetTotalDataBlocks(LONG*) override { return E_NOTIMPL; }
  HRESULT GetUsedDataBlocks(LONG*) override { return E_NOTIMPL; }
  HRESULT GetDataBlockSize(LONG*) override { return E_NOTIMPL; }
  HRESULT AddData(IStorage*, LONG) override { return E_NOTIMPL; }
  HRESULT GetJolietProperties(IPropertyStorage**) override { return E_NOTIMPL; }
  HRESULT SetJolietProperties(IPropertyStorage*) override { return E_NOTIMPL; }
};

class FakeRedbook final : public FakeObject<FakeRedbook, IRedbookDiscMaster> {
 public:
  FakeRedbook(std::shared_ptr<State> state, std::shared_ptr<MasterData> data)
      : FakeObject(std::move(state), "Redbook"), m_data(std::move(data)) {}

  HRESULT GetTotalAudioTracks(LONG* pnTracks) override {
    if (!pnTracks) return E_POINTER;
    std::lock_guard lock(m_state->mu);
    *pnTracks = static_cast<LONG>(m_state->staged.size());
    return S_OK;
  }
  HRESULT GetTotalAudioBlocks(LONG* pnBlocks) override {
    if (!pnBlocks) return E_POINTER;
    *pnBlocks = 360000;
    return S_OK;
  }
  HRESULT GetUsedAudioBlocks(LONG* pnBlocks) override { return E_NOTIMPL; }
  HRESULT GetAvailableAudioTrackBlocks(LONG* pnBlocks) override { return E_NOTIMPL; }
  HRESULT GetAudioBlockSize(LONG* pnBlockBytes) override {
    if (!pnBlockBytes) return E_POINTER;
    *pnBlockBytes = kBlockBytes;
    return S_OK;
  }
  HRESULT CreateAudioTrack(LONG nBlocks) override {
    Log("CreateAudioTrack(" + std::to_string(nBlocks) + ")");
    std::lock_guard dl(m_data->mu);
    int call = m_data->createCalls++;
    std::lock_guard lock(m_state->mu);
    HRESULT hr = Pick(m_state->script.createAudioTrackResults, call,
                      m_data->trackOpen ? IMAPI_E_TRACKOPEN : nBlocks <= 0 ? E_INVALIDARG : S_OK);
    if (hr == S_OK) {
      m_data->trackOpen = true;
      m_state->staged.push_back(FakeStagedTrack{nBlocks, 0, false, {}});
    }
    return hr;
  }
  HRESULT AddAudioTrackBlocks(BYTE* pby, LONG cb) override {
    Log("AddAudioTrackBlocks(" + std::to_string(cb) + ")");
    std::lock_guard dl(m_data->mu);
    int call = m_data->addCalls++;
    std::lock_guard lock(m_state->mu);
    HRESULT hr = Pick(m_state->script.addAudioTrackBlocksResults, call,
                      !m_data->trackOpen                            ? IMAPI_E_TRACKNOTOPEN
                      : (cb <= 0 || cb % kBlockBytes != 0 || !pby) ? E_INVALIDARG
                                                                    : S_OK);
    if (hr == S_OK && m_data->trackOpen && !m_state->staged.empty() && pby && cb > 0) {
      FakeStagedTrack& t = m_state->staged.back();
      t.addedBlocks += cb / kBlockBytes;
      t.data.insert(t.data.end(), pby, pby + cb);
    }
    return hr;
  }
  HRESULT CloseAudioTrack() override {
    Log("CloseAudioTrack");
    std::lock_guard dl(m_data->mu);
    int call = m_data->closeCalls++;
    std::lock_guard lock(m_state->mu);
    HRESULT hr = Pick(m_state->script.closeAudioTrackResults, call, m_data->trackOpen ? S_OK : IMAPI_E_TRACKNOTOPEN);
    if (m_data->trackOpen && SUCCEEDED(hr)) {
      m_data->trackOpen = false;
      if (!m_state->staged.empty()) m_state->staged.back().closed = true;
    }
    return hr;
  }

 private:
  std::shared_ptr<MasterData> m_data;
};

class FakeMaster final : public FakeObject<FakeMaster, IDiscMaster> {
 public:
  explicit FakeMaster(std::shared_ptr<State> state)
      : FakeObject(std::move(state), "Master"), m_data(std::make_shared<MasterData>()) {
    FakeScript s = m_state->Copy();
    for (size_t i = 0; i < s.recorders.size(); ++i)
      m_data->recorders.push_back(Make<FakeRecorder>(m_state, static_cast<int>(i)));
    m_activeFormat = s.activeFormat;
    if (s.activeRecorder >= 0 && s.activeRecorder < static_cast<int>(m_data->recorders.size()))
      m_pActive = m_data->recorders[s.activeRecorder];
    std::lock_guard lock(m_state->mu);
    ++m_state->mastersCreated;
    m_state->staged.clear();
  }
  ~FakeMaster() override {
    std::lock_guard lock(m_state->mu);
    m_state->sinks -= m_sinks.size();
  }

  HRESULT Open() override {
    Log("Open");
    return m_state->Copy().hrOpen;
  }
  HRESULT EnumDiscMasterFormats(IEnumDiscMasterFormats**) override { return E_NOTIMPL; }
  HRESULT GetActiveDiscMasterFormat(LPIID lpiid) override {
    Log("GetActiveDiscMasterFormat");
    HRESULT hr = m_state->Copy().hrGetActiveFormat;
    if (SUCCEEDED(hr) && lpiid) *lpiid = m_activeFormat;
    return hr;
  }
  HRESULT SetActiveDiscMasterFormat(REFIID riid, void** ppUnk) override {
    bool redbook = IsEqualIID(riid, IID_IRedbookDiscMaster);
    bool joliet = IsEqualIID(riid, IID_IJolietDiscMaster);
    Log(std::string("SetActiveDiscMasterFormat(") + (redbook ? "Redbook" : joliet ? "Joliet" : "other") + ")");
    HRESULT hr = m_state->Copy().hrSetActiveFormat;
    RETURN_IF_FAILED(hr);
    if (!ppUnk) return E_POINTER;
    if (redbook)
      *ppUnk = static_cast<IRedbookDiscMaster*>(Make<FakeRedbook>(m_state, m_data).Detach());
    else if (joliet)
      *ppUnk = static_cast<IJolietDiscMaster*>(Make<FakeJoliet>(m_state).Detach());
    else
      return E_NOINTERFACE;
    m_activeFormat = riid;
    return hr;
  }
  HRESULT EnumDiscRecorders(IEnumDiscRecorders** ppEnum) override {
    Log("EnumDiscRecorders");
    HRESULT hr = m_state->Copy().hrEnumDiscRecorders;
    RETURN_IF_FAILED(hr);
    if (!ppEnum) return E_POINTER;
    *ppEnum = Make<FakeEnum>(m_state, m_data).Detach();
    return hr;
  }
  HRESULT GetActiveDiscRecorder(IDiscRecorder** ppRecorder) override {
    Log("GetActiveDiscRecorder");
    HRESULT hr = m_state->Copy().hrGetActiveDiscRecorder;
    RETURN_IF_FAILED(hr);
    if (!ppRecorder) return E_POINTER;
    if (!m_pActive) return IMAPI_E_NOACTIVERECORDER;
    return m_pActive.CopyTo(ppRecorder);
  }
  HRESULT SetActiveDiscRecorder(IDiscRecorder* pRecorder) override {
    std::string name = "null";
    for (auto& r : m_data->recorders)
      if (static_cast<IDiscRecorder*>(r.Get()) == pRecorder) name = "Recorder" + std::to_string(r->Index());
    if (pRecorder && name == "null") name = "foreign";
    Log("SetActiveDiscRecorder(" + name + ")");
    FakeScript s = m_state->Copy();
    if (!pRecorder) return s.hrSetActiveNullRecorder;
    if (SUCCEEDED(s.hrSetActiveDiscRecorder)) m_pActive = ComPtr<IDiscRecorder>(pRecorder);
    return s.hrSetActiveDiscRecorder;
  }
  HRESULT ClearFormatContent() override {
    Log("ClearFormatContent");
    std::lock_guard lock(m_state->mu);
    m_state->staged.clear();
    return S_OK;
  }
  HRESULT ProgressAdvise(IDiscMasterProgressEvents* pEvents, UINT_PTR* pvCookie) override {
    Log("ProgressAdvise");
    HRESULT hr = m_state->Copy().hrProgressAdvise;
    RETURN_IF_FAILED(hr);
    if (!pEvents || !pvCookie) return E_POINTER;
    UINT_PTR cookie = ++m_nextCookie;
    m_sinks[cookie] = ComPtr<IDiscMasterProgressEvents>(pEvents);
    *pvCookie = cookie;
    std::lock_guard lock(m_state->mu);
    ++m_state->sinks;
    return hr;
  }
  HRESULT ProgressUnadvise(UINT_PTR vCookie) override {
    Log("ProgressUnadvise");
    HRESULT hr = m_state->Copy().hrProgressUnadvise;
    RETURN_IF_FAILED(hr);
    if (m_sinks.erase(vCookie) == 0) return E_INVALIDARG;
    std::lock_guard lock(m_state->mu);
    --m_state->sinks;
    return hr;
  }
  HRESULT RecordDisc(boolean bSimulate, boolean bEjectAfterBurn) override {
    Log(std::string("RecordDisc(") + (bSimulate ? "1" : "0") + "," + (bEjectAfterBurn ? "1" : "0") + ")");
    FakeScript s = m_state->Copy();
    FakeRecordCall rec;
    rec.simulate = bSimulate != 0;
    rec.eject = bEjectAfterBurn != 0;
    {
      std::lock_guard lock(m_state->mu);
      rec.tracks = m_state->staged;
    }
    if (s.callSinks) {
      LONG total = 0;
      for (auto& t : rec.tracks) total += t.addedBlocks;
      const LONG nTracks = static_cast<LONG>(rec.tracks.size());
      std::vector<ComPtr<IDiscMasterProgressEvents>> sinks;
      for (auto& [cookie, sink] : m_sinks) sinks.push_back(sink);
      for (auto& sink : sinks) {
        boolean cancel = 0;
        rec.sinkResults.push_back(sink->QueryCancel(&cancel));
        if (cancel) rec.cancelAsked = true;
        LONG done = 0;
        for (LONG t = 0; t < nTracks; ++t) {
          rec.sinkResults.push_back(sink->NotifyTrackProgress(t + 1, nTracks));
          done += rec.tracks[t].addedBlocks;
          rec.sinkResults.push_back(sink->NotifyBlockProgress(done, total));
        }
        rec.sinkResults.push_back(sink->NotifyClosingDisc(s.closingSeconds));
        rec.sinkResults.push_back(sink->NotifyBurnComplete(s.hrRecordDisc));
      }
    }
    if (s.duringRecord) s.duringRecord();
    std::lock_guard lock(m_state->mu);
    m_state->records.push_back(std::move(rec));
    return s.hrRecordDisc;
  }
  HRESULT Close() override {
    Log("Close");
    return m_state->Copy().hrClose;
  }

 private:
  std::shared_ptr<MasterData> m_data;
  IID m_activeFormat = IID_NULL;
  ComPtr<IDiscRecorder> m_pActive;
  std::map<UINT_PTR, ComPtr<IDiscMasterProgressEvents>> m_sinks;
  UINT_PTR m_nextCookie = 0;
};

class FakeFactory final : public ComObject<FakeFactory, IClassFactory> {
 public:
  explicit FakeFactory(std::shared_ptr<State> state) : m_state(std::move(state)) {}
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    HRESULT hr = m_state->Copy().hrCreate;
    RETURN_IF_FAILED(hr);
    auto master = ComPtr<IDiscMaster>(Make<FakeMaster>(m_state));
    return master->QueryInterface(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  ~FakeFactory() override = default;
  std::shared_ptr<State> m_state;
};

}  // namespace

FakeDiscMaster::FakeDiscMaster(FakeScript script) : m_state(std::make_shared<State>()) {
  m_state->script = std::move(script);
  auto factory = ComPtr<IClassFactory>(Make<FakeFactory>(m_state));
  HRESULT hr = CoRegisterClassObject(CLSID_MSDiscMasterObj, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &m_dwRegister);
  if (FAILED(hr)) throw std::runtime_error("the fake disc master could not be registered");
}

FakeDiscMaster::~FakeDiscMaster() { (void)CoRevokeClassObject(m_dwRegister); }

void FakeDiscMaster::SetScript(const FakeScript& script) {
  std::lock_guard lock(m_state->mu);
  m_state->script = script;
}

FakeScript FakeDiscMaster::Script() const { return m_state->Copy(); }

// Reads the shared state under its lock.
template <class F>
static auto Locked(const State& state, F read) {
  std::lock_guard lock(state.mu);
  return read();
}

std::vector<std::string> FakeDiscMaster::Calls() const { return Locked(*m_state, [&] { return m_state->calls; }); }

std::vector<std::string> FakeDiscMaster::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (auto& c : Calls())
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

size_t FakeDiscMaster::CountCalls(const std::string& call) const {
  auto calls = Calls();
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

void FakeDiscMaster::ClearCalls() {
  Locked(*m_state, [&] { m_state->calls.clear(); });
}

ULONG FakeDiscMaster::RefCount(const std::string& name) const {
  return Locked(*m_state, [&] {
    ULONG n = 0;
    for (auto& [p, entry] : m_state->live)
      if (entry.first == name) n += entry.second();
    return n;
  });
}

size_t FakeDiscMaster::LiveObjects() const { return Locked(*m_state, [&] { return m_state->live.size(); }); }
int FakeDiscMaster::MastersCreated() const { return Locked(*m_state, [&] { return m_state->mastersCreated; }); }
size_t FakeDiscMaster::AdvisedSinks() const { return Locked(*m_state, [&] { return m_state->sinks; }); }
std::vector<FakeStagedTrack> FakeDiscMaster::Staged() const { return Locked(*m_state, [&] { return m_state->staged; }); }
std::vector<FakeRecordCall> FakeDiscMaster::Records() const { return Locked(*m_state, [&] { return m_state->records; }); }
