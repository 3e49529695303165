// Identities and dispatch identifiers of the control and its recorder
// objects. Hosts and the control library share these values; they never
// change once released.
#pragma once

#include "platform/com/ComTypes.h"

// Type library.
inline constexpr GUID LIBID_cantrelLib = {0x602A9F4A, 0x4FFE, 0x4C26, {0xA0, 0xFA, 0xF2, 0xD2, 0xEE, 0x63, 0xED, 0x14}};
constexpr WORD CANTREL_LIB_MAJOR = 1;
constexpr WORD CANTREL_LIB_MINOR = 0;
constexpr LCID CANTREL_LIB_LCID = 0x0409;

// Control.
inline constexpr CLSID CLSID_Cantrel = {0x42DBD54D, 0x9322, 0x440A, {0x88, 0x34, 0x75, 0xFB, 0xC7, 0xF8, 0x59, 0x7B}};
inline constexpr IID DIID__Dcantrel = {0x4FFFAD2D, 0x1D86, 0x4996, {0x97, 0xD6, 0x24, 0xAE, 0xE3, 0x9C, 0xB7, 0xBE}};
inline constexpr IID DIID__DcantrelEvents = {0x23B9D927, 0x686B, 0x44CE, {0x8C, 0xB6, 0xFE, 0x75, 0x22, 0xAB, 0x46, 0xF8}};
inline constexpr CLSID CLSID_CCantrelPropPage = {0x30862DCF, 0x8188, 0x4353, {0x84, 0x6B, 0x4B, 0x25, 0x49, 0x6D, 0x75, 0xAE}};

// Recorder collection, recorder and enumerator.
inline constexpr CLSID CLSID_Drives = {0x2D671BE1, 0x5666, 0x4392, {0x85, 0xD0, 0xCC, 0x00, 0xDE, 0x3B, 0xCF, 0x3F}};
inline constexpr IID IID_IDrives = {0x32139255, 0xBE85, 0x4D76, {0x99, 0x17, 0x3E, 0x90, 0xA7, 0x87, 0x15, 0x1B}};
inline constexpr CLSID CLSID_Drive = {0x318D04F1, 0x1C17, 0x47FB, {0x8F, 0x54, 0xEF, 0x39, 0xA0, 0xA3, 0x37, 0x55}};
inline constexpr IID IID_IDrive = {0x16923975, 0x0269, 0x4E12, {0xBA, 0x3C, 0x39, 0x05, 0x29, 0x79, 0x13, 0x8D}};
// The library describes the enumerator class with this identifier ...
inline constexpr CLSID CLSID_EnumDrives = {0xF9A1B7EC, 0x29EA, 0x4F5D, {0x96, 0x25, 0xA0, 0x2E, 0x79, 0x0C, 0x5E, 0x25}};
// ... and the module registers its factory under this one.
inline constexpr CLSID CLSID_CEnumDrives = {0xD1CFAE5F, 0xBCC8, 0x4789, {0x9A, 0x16, 0xC7, 0x53, 0xD7, 0xC3, 0xF3, 0xE8}};
inline constexpr IID IID_IEnumDrives = {0x6EAEC962, 0xD8FD, 0x4CC6, {0xB4, 0x9A, 0x4D, 0xC5, 0x16, 0x78, 0xF3, 0x82}};

// ProgIDs.
inline constexpr const char16_t* PROGID_Cantrel = u"CANTREL.cantrelCtrl.1";
inline constexpr const char16_t* PROGID_CCantrelPropPage = u"CANTREL.cantrelPropPage.1";
inline constexpr const char16_t* PROGID_Drives = u"cantrel.Drives";
inline constexpr const char16_t* PROGID_Drive = u"cantrel.Drive";
inline constexpr const char16_t* PROGID_CEnumDrives = u"morvish.EnumDrives";

// _Dcantrel.
constexpr DISPID DISPID_CANTREL_DRIVE = 2;
constexpr DISPID DISPID_CANTREL_DRIVES = 12;
constexpr DISPID DISPID_CANTREL_ABOUTBOX = DISPID_ABOUTBOX;
constexpr DISPID DISPID_CANTREL_ERASE = 3;
constexpr DISPID DISPID_CANTREL_BURN = 4;
constexpr DISPID DISPID_CANTREL_EJECT = 5;
constexpr DISPID DISPID_CANTREL_GETDRIVELETTER = 6;
constexpr DISPID DISPID_CANTREL_INITCONTROL = 7;
constexpr DISPID DISPID_CANTREL_GETMEDIAFREESPACE = 8;
constexpr DISPID DISPID_CANTREL_ADDAUDIOTRACK = 9;
constexpr DISPID DISPID_CANTREL_DELETEAUDIOTRACK = 10;
constexpr DISPID DISPID_CANTREL_DELETEALLITEMS = 11;

// _DcantrelEvents.
constexpr DISPID DISPID_EVENT_PROGRESS = 1;
constexpr DISPID DISPID_EVENT_BURNCOMPLETE = 2;
constexpr DISPID DISPID_EVENT_ERASECOMPLETE = 3;
constexpr DISPID DISPID_EVENT_ERROREVENT = 4;
constexpr DISPID DISPID_EVENT_TRACKPROGRESS = 5;
constexpr DISPID DISPID_EVENT_CLOSINGDISC = 6;

// IDrives.
constexpr DISPID DISPID_DRIVES_COUNT = 1;
constexpr DISPID DISPID_DRIVES_ITEM = 2;
constexpr DISPID DISPID_DRIVES_FINDPRODUCTID = 3;
constexpr DISPID DISPID_DRIVES_FINDVENDORID = 4;
constexpr DISPID DISPID_DRIVES_FINDREVISION = 5;
constexpr DISPID DISPID_DRIVES_NEWENUM = DISPID_NEWENUM;

// IDrive.
constexpr DISPID DISPID_DRIVE_PRODUCTID = 1;
constexpr DISPID DISPID_DRIVE_VENDORID = 2;
constexpr DISPID DISPID_DRIVE_REVISION = 3;
