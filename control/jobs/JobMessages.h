// The private messages that the jobs and their progress sinks post to the
// control's window. They are handled on the control's thread in posting
// order, so the host sees a job's events in the order the job reported them.
#pragma once

#include "platform/olectl/WinUser.h"

constexpr UINT WM_ERASE_COMPLETE = WM_USER + 100;  // erase done
constexpr UINT WM_JOB_DONE = WM_USER + 101;        // the job is over: the busy state ends
constexpr UINT WM_JOB_ERROR = WM_USER + 102;       // lParam: the error number (low 16 bits)
constexpr UINT WM_BURN_COMPLETE = WM_USER + 103;   // disc recorded
// Progress from the service, relayed to the control's thread.
constexpr UINT WM_JOB_PROGRESS = WM_USER + 104;       // wParam completed blocks, lParam total blocks
constexpr UINT WM_JOB_TRACKPROGRESS = WM_USER + 105;  // wParam current track, lParam total tracks
constexpr UINT WM_JOB_CLOSINGDISC = WM_USER + 106;    // wParam estimated seconds

// A 32-bit signed value through a message parameter and back.
constexpr WPARAM JobWParam(LONG l) { return static_cast<WPARAM>(static_cast<uint32_t>(l)); }
constexpr LPARAM JobLParam(LONG l) { return static_cast<LPARAM>(l); }
constexpr LONG JobLong(WPARAM w) { return static_cast<LONG>(static_cast<uint32_t>(w)); }
constexpr LONG JobLong(LPARAM l) { return static_cast<LONG>(static_cast<uint32_t>(static_cast<uintptr_t>(l))); }
