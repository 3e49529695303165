// A host for the control in tests: the control sited in run mode on the
// test's thread, driven through IDispatch, its events recorded with the
// thread they arrived on and whether the control was busy at that moment.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "control/interface/CantrelIds.h"
#include "control/jobs/CCantrelCtrl.h"
#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/olectl/COleControlSite.h"

struct RecordedEvent {
  DISPID dispid;
  std::vector<CVariant> args;
  std::thread::id thread;
  BOOL busy;
};

class JobsTestHost {
 public:
  JobsTestHost() {
    COleControlSite::EnsureApplication();
    CoInitialize(nullptr);
    m_pCtrl = Make<CCantrelCtrl>();
    EXPECT_EQ(m_site.AttachControl(static_cast<IDispatch*>(m_pCtrl.Get()), RECT{10, 20, 110, 70}), S_OK);
    EXPECT_EQ(m_site.ConnectEvents(DIID__DcantrelEvents,
                                   [this](DISPID id, const std::vector<CVariant>& args) {
                                     m_events.push_back({id, args, std::this_thread::get_id(), m_pCtrl->IsBusy()});
                                   }),
              S_OK);
  }
  ~JobsTestHost() {
    WaitIdle();
    m_site.Close();
    m_pCtrl = nullptr;
    CoUninitialize();
  }

  CVariant Call(DISPID id, std::vector<CVariant> args = {}, WORD wFlags = DISPATCH_METHOD) {
    CVariant result;
    EXPECT_EQ(DispInvoke(m_site.GetDispatch().Get(), id, wFlags, std::move(args), &result), S_OK) << "DISPID " << id;
    return result;
  }
  SHORT Burn() {
    return Call(DISPID_CANTREL_BURN, {CVariant::Bool(false), CVariant::Bool(true), CVariant::Bool(false)}).iVal;
  }
  SHORT Add(const std::string& path) {
    return Call(DISPID_CANTREL_ADDAUDIOTRACK, {CVariant::String(std::u16string(path.begin(), path.end()))}).iVal;
  }
  void PutDrive(SHORT n) { Call(DISPID_CANTREL_DRIVE, {CVariant::Short(n)}, DISPATCH_PROPERTYPUT); }

  bool WaitIdle(int timeoutMs = 20000) {
    return COleControlSite::PumpMessagesUntil([this] { return !m_pCtrl || !m_pCtrl->IsBusy(); }, timeoutMs);
  }
  bool WaitEvent(DISPID id, int timeoutMs = 20000) {
    return COleControlSite::PumpMessagesUntil([&] { return Count(id) > 0; }, timeoutMs);
  }
  // Ends a job and lets any message it posted after its last one arrive.
  void Finish() {
    WaitIdle();
    COleControlSite::PumpMessagesFor(1200);
  }

  size_t Count(DISPID id) const {
    size_t n = 0;
    for (const auto& e : m_events) n += e.dispid == id;
    return n;
  }

  ComPtr<CCantrelCtrl> m_pCtrl;
  COleControlSite m_site{TRUE};
  std::vector<RecordedEvent> m_events;
};
