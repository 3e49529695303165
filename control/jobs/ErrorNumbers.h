// The error numbers that the control's ErrorEvent(iErrorNo) carries. A burn
// or an erase that ends with one of these raises ErrorEvent instead of
// BurnComplete or EraseComplete; nothing was recorded or erased for sure.
//
//   1  Staging a track was refused as an invalid argument (E_INVALIDARG).
//   2  The disc-mastering service was not open when staging (IMAPI_E_NOTOPENED).
//   3  A track was written to before it was opened (IMAPI_E_TRACKNOTOPEN).
//   4  The disc is full (IMAPI_E_DISCFULL), or the disc in the recorder is
//      not blank, or there is no disc or no usable recorder (one this user
//      may not open included; nothing staged).
//   5  A track file could not be opened or read in full at burn time
//      (deleted, truncated or unreadable since AddAudioTrack, or no regular
//      file), or its header is not stereo 44100 Hz 16-bit PCM when it is
//      staged; nothing was recorded.
//   6  Staging failed for any other reason: another service result, or an
//      empty track list (there was nothing to burn).
//   7  Recording the disc failed (the service's RecordDisc reported an error).
//   8  Erasing the disc failed: the recorder could not be opened, or the
//      service's Erase reported an error.
//   9  The recorder is in use by another program (a burn or an erase could
//      not open it for exclusive use); nothing was written.
#pragma once

#include "platform/com/ComTypes.h"

constexpr SHORT CANTREL_ERR_INVALIDARG = 1;
constexpr SHORT CANTREL_ERR_NOTOPENED = 2;
constexpr SHORT CANTREL_ERR_TRACKNOTOPEN = 3;
constexpr SHORT CANTREL_ERR_DISCFULL = 4;
constexpr SHORT CANTREL_ERR_NOTBLANK = 4;
constexpr SHORT CANTREL_ERR_TRACKFILE = 5;
constexpr SHORT CANTREL_ERR_STAGING = 6;
constexpr SHORT CANTREL_ERR_RECORD = 7;
constexpr SHORT CANTREL_ERR_ERASE = 8;
constexpr SHORT CANTREL_ERR_INUSE = 9;
