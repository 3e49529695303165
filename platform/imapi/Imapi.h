// The disc-mastering service's interfaces in the platform's method orders,
// their identities, media types and flags, recorder types and states, and the
// service's result codes.
#pragma once

#include <cstdint>

#include "platform/com/ComTypes.h"
#include "platform/com/Interfaces.h"

// The interface description language's one-byte boolean.
using boolean = BYTE;
using UINT_PTR = uintptr_t;
using LPIID = IID*;

// Property sets and structured storage are not offered by this platform; the
// methods that take them keep their places in the tables and answer E_NOTIMPL.
struct IPropertyStorage;
struct IStorage;

inline constexpr CLSID CLSID_MSDiscMasterObj = {0x520CCA63, 0x51A5, 0x11D3, {0x91, 0x44, 0x00, 0x10, 0x4B, 0xA1, 0x1C, 0x5E}};
inline constexpr IID IID_IDiscMaster = {0x520CCA62, 0x51A5, 0x11D3, {0x91, 0x44, 0x00, 0x10, 0x4B, 0xA1, 0x1C, 0x5E}};
inline constexpr IID IID_IDiscRecorder = {0x85AC9776, 0xCA88, 0x4CF2, {0x89, 0x4E, 0x09, 0x59, 0x8C, 0x07, 0x8A, 0x41}};
inline constexpr IID IID_IEnumDiscRecorders = {0x9B1921E1, 0x54AC, 0x11D3, {0x91, 0x44, 0x00, 0x10, 0x4B, 0xA1, 0x1C, 0x5E}};
inline constexpr IID IID_IEnumDiscMasterFormats = {0xDDF445E1, 0x54BA, 0x11D3, {0x91, 0x44, 0x00, 0x10, 0x4B, 0xA1, 0x1C, 0x5E}};
inline constexpr IID IID_IRedbookDiscMaster = {0xE3BC42CD, 0x4E5C, 0x11D3, {0x91, 0x44, 0x00, 0x10, 0x4B, 0xA1, 0x1C, 0x5E}};
inline constexpr IID IID_IJolietDiscMaster = {0xE3BC42CE, 0x4E5C, 0x11D3, {0x91, 0x44, 0x00, 0x10, 0x4B, 0xA1, 0x1C, 0x5E}};
inline constexpr IID IID_IDiscMasterProgressEvents = {0xEC9E51C1, 0x4E5D, 0x11D3, {0x91, 0x44, 0x00, 0x10, 0x4B, 0xA1, 0x1C, 0x5E}};

// Media types (QueryMediaType's first result).
enum MEDIA_TYPES : LONG {
  MEDIA_CDDA_CDROM = 1,
  MEDIA_CD_ROM_XA = 2,
  MEDIA_CD_I = 3,
  MEDIA_CD_EXTRA = 4,
  MEDIA_CD_OTHER = 5,
  MEDIA_SPECIAL = 6,
};

// Media flags (QueryMediaType's second result).
enum MEDIA_FLAGS : LONG {
  MEDIA_BLANK = 0x1,
  MEDIA_RW = 0x2,
  MEDIA_WRITABLE = 0x4,
  MEDIA_FORMAT_UNUSABLE_BY_IMAPI = 0x8,
};

// GetRecorderType.
enum RECORDER_TYPES : LONG {
  RECORDER_CDR = 0x1,
  RECORDER_CDRW = 0x2,
};

// GetRecorderState.
constexpr ULONG RECORDER_DOING_NOTHING = 0;
constexpr ULONG RECORDER_OPENED = 0x1;
constexpr ULONG RECORDER_BURNING = 0x2;

// Result codes of the service.
constexpr HRESULT IMAPI_S_PROPERTIESIGNORED = static_cast<HRESULT>(0x00040200);
constexpr HRESULT IMAPI_S_BUFFER_TO_SMALL = static_cast<HRESULT>(0x00040201);
constexpr HRESULT IMAPI_E_NOTOPENED = static_cast<HRESULT>(0x8004020B);
constexpr HRESULT IMAPI_E_NOTINITIALIZED = static_cast<HRESULT>(0x8004020C);
constexpr HRESULT IMAPI_E_USERABORT = static_cast<HRESULT>(0x8004020D);
constexpr HRESULT IMAPI_E_GENERIC = static_cast<HRESULT>(0x8004020E);
constexpr HRESULT IMAPI_E_MEDIUM_NOTPRESENT = static_cast<HRESULT>(0x8004020F);
constexpr HRESULT IMAPI_E_MEDIUM_INVALIDTYPE = static_cast<HRESULT>(0x80040210);
constexpr HRESULT IMAPI_E_DEVICE_NOPROPERTIES = static_cast<HRESULT>(0x80040211);
constexpr HRESULT IMAPI_E_DEVICE_NOTACCESSIBLE = static_cast<HRESULT>(0x80040212);
constexpr HRESULT IMAPI_E_DEVICE_NOTPRESENT = static_cast<HRESULT>(0x80040213);
constexpr HRESULT IMAPI_E_DEVICE_INVALIDTYPE = static_cast<HRESULT>(0x80040214);
constexpr HRESULT IMAPI_E_INITIALIZE_WRITE = static_cast<HRESULT>(0x80040215);
constexpr HRESULT IMAPI_E_INITIALIZE_ENDWRITE = static_cast<HRESULT>(0x80040216);
constexpr HRESULT IMAPI_E_FILESYSTEM = static_cast<HRESULT>(0x80040217);
constexpr HRESULT IMAPI_E_FILEACCESS = static_cast<HRESULT>(0x80040218);
constexpr HRESULT IMAPI_E_DISCINFO = static_cast<HRESULT>(0x80040219);
constexpr HRESULT IMAPI_E_TRACKNOTOPEN = static_cast<HRESULT>(0x8004021A);
constexpr HRESULT IMAPI_E_TRACKOPEN = static_cast<HRESULT>(0x8004021B);
constexpr HRESULT IMAPI_E_DISCFULL = static_cast<HRESULT>(0x8004021C);
constexpr HRESULT IMAPI_E_BADJOLIETNAME = static_cast<HRESULT>(0x8004021D);
constexpr HRESULT IMAPI_E_INVALIDIMAGE = static_cast<HRESULT>(0x8004021E);
constexpr HRESULT IMAPI_E_NOACTIVEFORMAT = static_cast<HRESULT>(0x8004021F);
constexpr HRESULT IMAPI_E_NOACTIVERECORDER = static_cast<HRESULT>(0x80040220);
constexpr HRESULT IMAPI_E_WRONGFORMAT = static_cast<HRESULT>(0x80040221);
constexpr HRESULT IMAPI_E_ALREADYOPEN = static_cast<HRESULT>(0x80040222);
constexpr HRESULT IMAPI_E_WRONGDISC = static_cast<HRESULT>(0x80040223);
constexpr HRESULT IMAPI_E_FILEEXISTS = static_cast<HRESULT>(0x80040224);
constexpr HRESULT IMAPI_E_STASHINUSE = static_cast<HRESULT>(0x80040225);
constexpr HRESULT IMAPI_E_DEVICE_STILL_IN_USE = static_cast<HRESULT>(0x80040226);
constexpr HRESULT IMAPI_E_LOSS_OF_STREAMING = static_cast<HRESULT>(0x80040227);
constexpr HRESULT IMAPI_E_COMPRESSEDSTASH = static_cast<HRESULT>(0x80040228);
constexpr HRESULT IMAPI_E_ENCRYPTEDSTASH = static_cast<HRESULT>(0x80040229);
constexpr HRESULT IMAPI_E_NOTENOUGHDISKFORSTASH = static_cast<HRESULT>(0x8004022A);
constexpr HRESULT IMAPI_E_REMOVABLESTASH = static_cast<HRESULT>(0x8004022B);
constexpr HRESULT IMAPI_E_CANNOT_WRITE_TO_MEDIA = static_cast<HRESULT>(0x8004022C);
constexpr HRESULT IMAPI_E_TRACK_NOT_BIG_ENOUGH = static_cast<HRESULT>(0x8004022D);
constexpr HRESULT IMAPI_E_BOOTIMAGE_AND_NONBLANK_DISC = static_cast<HRESULT>(0x8004022E);

struct IDiscRecorder : IUnknown {
  virtual HRESULT Init(BYTE* pbyUniqueID, ULONG nulIdSize, ULONG nulDriveNumber) = 0;
  virtual HRESULT GetRecorderGUID(BYTE* pbyUniqueID, ULONG ulBufferSize, ULONG* pulReturnSizeRequired) = 0;
  virtual HRESULT GetRecorderType(LONG* fTypeCode) = 0;
  virtual HRESULT GetDisplayNames(BSTR* pbstrVendorID, BSTR* pbstrProductID, BSTR* pbstrRevision) = 0;
  virtual HRESULT GetBasePnPID(BSTR* pbstrBasePnPID) = 0;
  virtual HRESULT GetPath(BSTR* pbstrPath) = 0;
  virtual HRESULT GetRecorderProperties(IPropertyStorage** ppPropStg) = 0;
  virtual HRESULT SetRecorderProperties(IPropertyStorage* pPropStg) = 0;
  virtual HRESULT GetRecorderState(ULONG* pulDevStateFlags) = 0;
  virtual HRESULT OpenExclusive() = 0;
  virtual HRESULT QueryMediaType(LONG* fMediaType, LONG* fMediaFlags) = 0;
  virtual HRESULT QueryMediaInfo(BYTE* pbSessions, BYTE* pbLastTrack, ULONG* ulStartAddress, ULONG* ulNextWritable,
                                 ULONG* ulFreeBlocks) = 0;
  virtual HRESULT Eject() = 0;
  virtual HRESULT Erase(boolean bFullErase) = 0;
  virtual HRESULT Close() = 0;

 protected:
  ~IDiscRecorder() = default;
};

struct IEnumDiscRecorders : IUnknown {
  virtual HRESULT Next(ULONG cRecorders, IDiscRecorder** ppRecorder, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cRecorders) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumDiscRecorders** ppEnum) = 0;

 protected:
  ~IEnumDiscRecorders() = default;
};

struct IEnumDiscMasterFormats : IUnknown {
  virtual HRESULT Next(ULONG cFormats, LPIID lpiidFormatID, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cFormats) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumDiscMasterFormats** ppEnum) = 0;

 protected:
  ~IEnumDiscMasterFormats() = default;
};

struct IRedbookDiscMaster : IUnknown {
  virtual HRESULT GetTotalAudioTracks(LONG* pnTracks) = 0;
  virtual HRESULT GetTotalAudioBlocks(LONG* pnBlocks) = 0;
  virtual HRESULT GetUsedAudioBlocks(LONG* pnBlocks) = 0;
  virtual HRESULT GetAvailableAudioTrackBlocks(LONG* pnBlocks) = 0;
  virtual HRESULT GetAudioBlockSize(LONG* pnBlockBytes) = 0;
  virtual HRESULT CreateAudioTrack(LONG nBlocks) = 0;
  virtual HRESULT AddAudioTrackBlocks(BYTE* pby, LONG cb) = 0;
  virtual HRESULT CloseAudioTrack() = 0;

 protected:
  ~IRedbookDiscMaster() = default;
};

struct IJolietDiscMaster : IUnknown {
  virtual HRESULT GetTotalDataBlocks(LONG* pnBlocks) = 0;
  virtual HRESULT GetUsedDataBlocks(LONG* pnBlocks) = 0;
  virtual HRESULT GetDataBlockSize(LONG* pnBlockBytes) = 0;
  virtual HRESULT AddData(IStorage* pStorage, LONG lFileOverwrite) = 0;
  virtual HRESULT GetJolietProperties(IPropertyStorage** ppPropStg) = 0;
  virtual HRESULT SetJolietProperties(IPropertyStorage* pPropStg) = 0;

 protected:
  ~IJolietDiscMaster() = default;
};

struct IDiscMasterProgressEvents : IUnknown {
  virtual HRESULT QueryCancel(boolean* pbCancel) = 0;
  virtual HRESULT NotifyPnPActivity() = 0;
  virtual HRESULT NotifyAddProgress(LONG nCompletedSteps, LONG nTotalSteps) = 0;
  virtual HRESULT NotifyBlockProgress(LONG nCompleted, LONG nTotal) = 0;
  virtual HRESULT NotifyTrackProgress(LONG nCurrentTrack, LONG nTotalTracks) = 0;
  virtual HRESULT NotifyPreparingBurn(LONG nEstimatedSeconds) = 0;
  virtual HRESULT NotifyClosingDisc(LONG nEstimatedSeconds) = 0;
  virtual HRESULT NotifyBurnComplete(HRESULT status) = 0;
  virtual HRESULT NotifyEraseComplete(HRESULT status) = 0;

 protected:
  ~IDiscMasterProgressEvents() = default;
};

struct IDiscMaster : IUnknown {
  virtual HRESULT Open() = 0;
  virtual HRESULT EnumDiscMasterFormats(IEnumDiscMasterFormats** ppEnum) = 0;
  virtual HRESULT GetActiveDiscMasterFormat(LPIID lpiid) = 0;
  virtual HRESULT SetActiveDiscMasterFormat(REFIID riid, void** ppUnk) = 0;
  virtual HRESULT EnumDiscRecorders(IEnumDiscRecorders** ppEnum) = 0;
  virtual HRESULT GetActiveDiscRecorder(IDiscRecorder** ppRecorder) = 0;
  virtual HRESULT SetActiveDiscRecorder(IDiscRecorder* pRecorder) = 0;
  virtual HRESULT ClearFormatContent() = 0;
  virtual HRESULT ProgressAdvise(IDiscMasterProgressEvents* pEvents, UINT_PTR* pvCookie) = 0;
  virtual HRESULT ProgressUnadvise(UINT_PTR vCookie) = 0;
  virtual HRESULT RecordDisc(boolean bSimulate, boolean bEjectAfterBurn) = 0;
  virtual HRESULT Close() = 0;

 protected:
  ~IDiscMaster() = default;
};

PX_DECLARE_IID(IDiscMaster, IID_IDiscMaster);
PX_DECLARE_IID(IDiscRecorder, IID_IDiscRecorder);
PX_DECLARE_IID(IEnumDiscRecorders, IID_IEnumDiscRecorders);
PX_DECLARE_IID(IEnumDiscMasterFormats, IID_IEnumDiscMasterFormats);
PX_DECLARE_IID(IRedbookDiscMaster, IID_IRedbookDiscMaster);
PX_DECLARE_IID(IJolietDiscMaster, IID_IJolietDiscMaster);
PX_DECLARE_IID(IDiscMasterProgressEvents, IID_IDiscMasterProgressEvents);
