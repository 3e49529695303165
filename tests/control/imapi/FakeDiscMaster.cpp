#include "tests/control/imapi/FakeDiscMaster.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>

#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ResultMacros.h"

struct FakeDiscMaster::State {
  mutable std::mutex mu;
  const FakeScript script;
  FakeLog log;

  // Logs the call; the scripted result for it, else `otherwise`.
  HRESULT Call(const std::string& name, HRESULT otherwise, const std::string& args = "") {
    std::lock_guard lock(mu);
    log.calls.push_back(name + args);
    auto it = script.results.find(name);
    return it != script.results.end() ? it->second : otherwise;
  }
  template <class F>
  void Update(F f) {
    std::lock_guard lock(mu);
    f(log);
  }
};

namespace {

using StatePtr = std::shared_ptr<FakeDiscMaster::State>;

// Counting, logging and the one interface of every fake object.
template <class Derived, class Itf>
class Fake : public ComObject<Derived, Itf> {
 public:
  Fake(StatePtr state, std::string name) : m_state(std::move(state)), m_name(std::move(name)) {
    m_state->Update([](FakeLog& log) { ++log.liveObjects; });
  }
  ~Fake() override {
    m_state->Update([&](FakeLog& log) { --log.liveObjects, log.calls.push_back(m_name + ".destroyed"); });
  }

 protected:
  HRESULT Call(const char* method, HRESULT otherwise = S_OK, const std::string& args = "") {
    return m_state->Call(m_name + "." + method, otherwise, args);
  }

  StatePtr m_state;
  std::string m_name;
};

// The methods that no caller of the fake uses.
#define NOTIMPL(method, ...) \
  HRESULT method(__VA_ARGS__) override { return E_NOTIMPL; }

BSTR Alloc(const std::string& s) { return SysAllocString(std::u16string(s.begin(), s.end()).c_str()); }

class FakeRecorder final : public Fake<FakeRecorder, IDiscRecorder> {
 public:
  FakeRecorder(StatePtr state, int index)
      : Fake(std::move(state), "Recorder" + std::to_string(index)), m_index(index) {}
  const std::string& Name() const { return m_name; }

  HRESULT GetDisplayNames(BSTR* pbstrVendor, BSTR* pbstrProduct, BSTR* pbstrRevision) override {
    const HRESULT hr = Call("GetDisplayNames");
    RETURN_IF_FAILED(hr);
    const std::string n = std::to_string(m_index);
    *pbstrVendor = Alloc("VENDOR" + n), *pbstrProduct = Alloc("Product" + n), *pbstrRevision = Alloc("1." + n);
    return hr;
  }
  HRESULT OpenExclusive() override { return Opened(Call("OpenExclusive"), true); }
  HRESULT QueryMediaType(LONG* plType, LONG* plFlags) override {
    HRESULT hr = Call("QueryMediaType", NeedOpen());
    if (SUCCEEDED(hr)) *plType = MEDIA_CDDA_CDROM, *plFlags = m_state->script.mediaFlags;
    return hr;
  }
  HRESULT Eject() override { return Call("Eject", NeedOpen()); }
  HRESULT Erase(boolean bFull) override { return Call("Erase", NeedOpen(), bFull ? "(1)" : "(0)"); }
  HRESULT Close() override { return Opened(Call("Close"), false); }

  // clang-format off
  NOTIMPL(Init, BYTE*, ULONG, ULONG) NOTIMPL(GetRecorderGUID, BYTE*, ULONG, ULONG*) NOTIMPL(GetRecorderType, LONG*)
  NOTIMPL(GetBasePnPID, BSTR*) NOTIMPL(GetPath, BSTR*) NOTIMPL(GetRecorderProperties, IPropertyStorage**)
  NOTIMPL(SetRecorderProperties, IPropertyStorage*) NOTIMPL(GetRecorderState, ULONG*)
  NOTIMPL(QueryMediaInfo, BYTE*, BYTE*, ULONG*, ULONG*, ULONG*)
  // clang-format on

 private:
  // Like the service, recorder operations want the recorder opened first.
  HRESULT NeedOpen() const { return m_bOpen ? S_OK : IMAPI_E_NOTOPENED; }
  HRESULT Opened(HRESULT hr, bool bOpen) {
    if (SUCCEEDED(hr)) m_bOpen = bOpen;
    return hr;
  }

  int m_index;
  std::atomic<bool> m_bOpen{false};
};

using Recorders = std::vector<ComPtr<FakeRecorder>>;

class FakeEnum final : public Fake<FakeEnum, IEnumDiscRecorders> {
 public:
  FakeEnum(StatePtr state, Recorders recorders) : Fake(std::move(state), "Enum"), m_recorders(std::move(recorders)) {}
  HRESULT Next(ULONG, IDiscRecorder** ppRecorder, ULONG* pcFetched) override {
    *ppRecorder = nullptr;
    *pcFetched = m_pos < m_recorders.size() ? 1 : 0;
    return *pcFetched ? m_recorders[m_pos++]->QueryInterface(IID_IDiscRecorder, reinterpret_cast<void**>(ppRecorder))
                      : S_FALSE;
  }
  HRESULT Reset() override { return m_pos = 0, Call("Reset"); }

  // clang-format off
  NOTIMPL(Skip, ULONG) NOTIMPL(Clone, IEnumDiscRecorders**)
  // clang-format on

 private:
  Recorders m_recorders;
  size_t m_pos = 0;
};

// Keeps a careful service's rules: one track open at a time, whole blocks only.
class FakeRedbook final : public Fake<FakeRedbook, IRedbookDiscMaster> {
 public:
  explicit FakeRedbook(StatePtr state) : Fake(std::move(state), "Redbook") {}
  HRESULT CreateAudioTrack(LONG nBlocks) override {
    std::string args = std::to_string(nBlocks);  // appended, not prefixed: GCC 12 warns falsely at -O3
    HRESULT hr = Call("CreateAudioTrack", m_bTrackOpen ? IMAPI_E_TRACKOPEN : S_OK, args.insert(0, 1, '(') + ")");
    if (hr == S_OK) m_bTrackOpen = true, m_state->Update([](FakeLog& log) { log.staged.emplace_back(); });
    return hr;
  }
  HRESULT AddAudioTrackBlocks(BYTE* pby, LONG cb) override {
    HRESULT hr = Call("AddAudioTrackBlocks", !m_bTrackOpen ? IMAPI_E_TRACKNOTOPEN : cb % 2352 ? E_INVALIDARG : S_OK);
    if (hr == S_OK)
      m_state->Update([&](FakeLog& log) { log.staged.back().insert(log.staged.back().end(), pby, pby + cb); });
    return hr;
  }
  HRESULT CloseAudioTrack() override {
    HRESULT hr = Call("CloseAudioTrack", m_bTrackOpen ? S_OK : IMAPI_E_TRACKNOTOPEN);
    if (hr == S_OK) m_bTrackOpen = false;
    return hr;
  }

  // clang-format off
  NOTIMPL(GetTotalAudioTracks, LONG*) NOTIMPL(GetTotalAudioBlocks, LONG*) NOTIMPL(GetUsedAudioBlocks, LONG*)
  NOTIMPL(GetAvailableAudioTrackBlocks, LONG*) NOTIMPL(GetAudioBlockSize, LONG*)
  // clang-format on

 private:
  bool m_bTrackOpen = false;
};

class FakeMaster final : public Fake<FakeMaster, IDiscMaster> {
 public:
  explicit FakeMaster(StatePtr state) : Fake(std::move(state), "Master") {
    const FakeScript& s = m_state->script;
    for (int i = 0; i < s.recorders; ++i)
      m_recorders.push_back(Make<FakeRecorder>(m_state, i));
    if (!m_recorders.empty()) m_pActive = m_recorders[0];
    m_state->Update([](FakeLog& log) { log.staged.clear(); });
  }
  ~FakeMaster() override {
    if (!m_sinks.empty()) (void)Call("SinkLeftAdvised");
  }

  HRESULT Open() override { return Call("Open"); }
  HRESULT GetActiveDiscMasterFormat(LPIID lpiid) override {
    HRESULT hr = Call("GetActiveDiscMasterFormat");
    if (SUCCEEDED(hr)) *lpiid = IID_IRedbookDiscMaster;
    return hr;
  }
  HRESULT SetActiveDiscMasterFormat(REFIID riid, void** ppUnk) override {
    const bool bRedbook = IsEqualIID(riid, IID_IRedbookDiscMaster);
    HRESULT hr = Call("SetActiveDiscMasterFormat", bRedbook ? S_OK : E_NOINTERFACE, bRedbook ? "(Redbook)" : "(other)");
    if (SUCCEEDED(hr)) *ppUnk = static_cast<IRedbookDiscMaster*>(Make<FakeRedbook>(m_state).Detach());
    return hr;
  }
  HRESULT EnumDiscRecorders(IEnumDiscRecorders** ppEnum) override {
    HRESULT hr = Call("EnumDiscRecorders");
    if (SUCCEEDED(hr)) *ppEnum = Make<FakeEnum>(m_state, m_recorders).Detach();
    return hr;
  }
  HRESULT GetActiveDiscRecorder(IDiscRecorder** ppRecorder) override {
    HRESULT hr = Call("GetActiveDiscRecorder", m_pActive ? S_OK : IMAPI_E_NOACTIVERECORDER);
    return SUCCEEDED(hr) ? m_pActive.CopyTo(ppRecorder) : hr;
  }
  HRESULT SetActiveDiscRecorder(IDiscRecorder* pRecorder) override {
    std::string name = "null";
    for (auto& r : m_recorders)
      if (static_cast<IDiscRecorder*>(r.Get()) == pRecorder) name = r->Name();
    HRESULT hr = Call("SetActiveDiscRecorder", pRecorder ? S_OK : E_POINTER, "(" + name + ")");
    if (SUCCEEDED(hr)) m_pActive = ComPtr<IDiscRecorder>(pRecorder);
    return hr;
  }
  HRESULT ProgressAdvise(IDiscMasterProgressEvents* pEvents, UINT_PTR* pvCookie) override {
    HRESULT hr = Call("ProgressAdvise");
    if (SUCCEEDED(hr))
      m_sinks[*pvCookie = ++m_nextCookie] = ComPtr<IDiscMasterProgressEvents>(pEvents);
    return hr;
  }
  HRESULT ProgressUnadvise(UINT_PTR vCookie) override {
    return Call("ProgressUnadvise", m_sinks.erase(vCookie) ? S_OK : E_INVALIDARG);
  }
  // Tells every sink of each staged track and its blocks, then closing in 7 s.
  HRESULT RecordDisc(boolean bSimulate, boolean bEject) override {
    HRESULT hr = Call("RecordDisc", S_OK, std::string("(") + (bSimulate ? "1," : "0,") + (bEject ? "1)" : "0)"));
    std::vector<std::vector<uint8_t>> tracks;
    m_state->Update([&](FakeLog& log) { tracks = log.staged; });
    const LONG nTracks = static_cast<LONG>(tracks.size());
    LONG nTotal = 0, nDone = 0;
    for (auto& t : tracks) nTotal += static_cast<LONG>(t.size() / 2352);
    boolean bCancel = 0;
    for (auto& [nCookie, pSink] : m_sinks) {
      (void)pSink->QueryCancel(&bCancel);
      for (LONG t = 0; t < nTracks; ++t) {
        (void)pSink->NotifyTrackProgress(t + 1, nTracks);
        nDone += static_cast<LONG>(tracks[size_t(t)].size() / 2352);
        (void)pSink->NotifyBlockProgress(nDone, nTotal);
      }
      (void)pSink->NotifyClosingDisc(7);
      (void)pSink->NotifyBurnComplete(hr);
    }
    if (m_state->script.duringRecord) m_state->script.duringRecord();
    m_state->Update([&](FakeLog& log) { log.cancelAsked = log.cancelAsked || bCancel; });
    return hr;
  }
  HRESULT Close() override { return Call("Close"); }

  // clang-format off
  NOTIMPL(EnumDiscMasterFormats, IEnumDiscMasterFormats**) NOTIMPL(ClearFormatContent)
  // clang-format on

 private:
  Recorders m_recorders;
  ComPtr<IDiscRecorder> m_pActive;
  std::map<UINT_PTR, ComPtr<IDiscMasterProgressEvents>> m_sinks;
  UINT_PTR m_nextCookie = 0;
};

class FakeFactory final : public Fake<FakeFactory, IClassFactory> {
 public:
  explicit FakeFactory(StatePtr state) : Fake(std::move(state), "Factory") {}
  HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    HRESULT hr = m_state->Call("Create", S_OK);
    return FAILED(hr) ? hr : ComPtr<IDiscMaster>(Make<FakeMaster>(m_state))->QueryInterface(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

}  // namespace

FakeDiscMaster::FakeDiscMaster(FakeScript script) : m_state(new State{{}, std::move(script), {}}) {
  auto pFactory = ComPtr<IClassFactory>(Make<FakeFactory>(m_state));
  if (FAILED(CoRegisterClassObject(CLSID_MSDiscMasterObj, pFactory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                   &m_dwRegister)))
    throw std::runtime_error("the fake disc master could not be registered");
}

FakeDiscMaster::~FakeDiscMaster() { (void)CoRevokeClassObject(m_dwRegister); }

FakeLog FakeDiscMaster::Log() const {
  std::lock_guard lock(m_state->mu);
  FakeLog log = m_state->log;
  --log.liveObjects;  // the registered factory
  return log;
}

size_t FakeLog::CountCalls(const std::string& call) const {
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}
