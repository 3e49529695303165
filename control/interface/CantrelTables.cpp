#include "control/interface/CantrelTables.h"

namespace {

DispMember Prop(std::u16string name, DISPID id, VARTYPE vt, uint32_t flags = DISPF_NONE, std::u16string userType = {}) {
  DispMember m;
  m.helpString = u"property " + name;
  m.name = std::move(name);
  m.dispid = id;
  m.kind = DispKind::Property;
  m.type = vt;
  m.flags = flags;
  m.userType = std::move(userType);
  return m;
}

DispMember Method(std::u16string name, DISPID id, VARTYPE result, std::vector<DispParam> params,
                  bool withHelp = true) {
  DispMember m;
  if (withHelp) m.helpString = u"method " + name;
  m.name = std::move(name);
  m.dispid = id;
  m.kind = DispKind::Method;
  m.type = result;
  m.params = std::move(params);
  return m;
}

}  // namespace

const DispatchTable& DcantrelTable() {
  static const DispatchTable table(
      u"_Dcantrel", DIID__Dcantrel, u"Dispatch interface for cantrel Control",
      {
          Prop(u"Drive", DISPID_CANTREL_DRIVE, VT_I2),
          Prop(u"Drives", DISPID_CANTREL_DRIVES, VT_DISPATCH, DISPF_READONLY, u"IDrives"),
          Method(u"AboutBox", DISPID_CANTREL_ABOUTBOX, VT_EMPTY, {}, false),
          Method(u"Erase", DISPID_CANTREL_ERASE, VT_I2, {{u"bFullErase", VT_BOOL}}),
          Method(u"Burn", DISPID_CANTREL_BURN, VT_I2,
                 {{u"bSimulate", VT_BOOL}, {u"bEjectAfterBurn", VT_BOOL}, {u"bFileOverWrite", VT_BOOL}}),
          Method(u"Eject", DISPID_CANTREL_EJECT, VT_I2, {}),
          Method(u"GetDriveLetter", DISPID_CANTREL_GETDRIVELETTER, VT_BSTR, {}),
          Method(u"InitControl", DISPID_CANTREL_INITCONTROL, VT_BOOL, {}),
          Method(u"GetMediaFreeSpace", DISPID_CANTREL_GETMEDIAFREESPACE, VT_I4, {}),
          Method(u"AddAudioTrack", DISPID_CANTREL_ADDAUDIOTRACK, VT_I2, {{u"strFileName", VT_BSTR}}),
          Method(u"DeleteAudioTrack", DISPID_CANTREL_DELETEAUDIOTRACK, VT_BOOL, {{u"index", VT_I2}}),
          Method(u"DeleteAllItems", DISPID_CANTREL_DELETEALLITEMS, VT_EMPTY, {}),
      });
  return table;
}

const DispatchTable& DcantrelEventsTable() {
  static const DispatchTable table(
      u"_DcantrelEvents", DIID__DcantrelEvents, u"Event interface for cantrel Control",
      {
          Method(u"Progress", DISPID_EVENT_PROGRESS, VT_EMPTY, {{u"lCompletedSteps", VT_I4}, {u"lTotalSteps", VT_I4}},
                 false),
          Method(u"BurnComplete", DISPID_EVENT_BURNCOMPLETE, VT_EMPTY, {}, false),
          Method(u"EraseComplete", DISPID_EVENT_ERASECOMPLETE, VT_EMPTY, {}, false),
          Method(u"ErrorEvent", DISPID_EVENT_ERROREVENT, VT_EMPTY, {{u"iErrorNo", VT_I2}}, false),
          Method(u"TrackProgress", DISPID_EVENT_TRACKPROGRESS, VT_EMPTY,
                 {{u"iCurrentTrack", VT_I4}, {u"iTotalTracks", VT_I4}}, false),
          Method(u"ClosingDisc", DISPID_EVENT_CLOSINGDISC, VT_EMPTY, {{u"iEsimatedSeconds", VT_I4}}, false),
      });
  return table;
}

const DispatchTable& IDrivesTable() {
  static const DispatchTable table = [] {
    DispMember itemGet;
    itemGet.name = u"Item";
    itemGet.dispid = DISPID_DRIVES_ITEM;
    itemGet.kind = DispKind::PropertyGet;
    itemGet.type = VT_DISPATCH;
    itemGet.params = {{u"Key", VT_VARIANT}};
    itemGet.helpString = u"property Item";

    // Declared so that the library shows a writable property; the object
    // refuses the write.
    DispMember itemPut = itemGet;
    itemPut.kind = DispKind::PropertyPut;
    itemPut.type = VT_EMPTY;
    itemPut.params = {{u"Key", VT_VARIANT}, {u"", VT_DISPATCH}};
    itemPut.flags = DISPF_READONLY;

    DispMember newEnum;
    newEnum.name = u"_NewEnum";
    newEnum.dispid = DISPID_DRIVES_NEWENUM;
    newEnum.kind = DispKind::PropertyGet;
    newEnum.type = VT_UNKNOWN;
    newEnum.flags = DISPF_RESTRICTED | DISPF_READONLY;

    return DispatchTable(u"IDrives", IID_IDrives, u"",
                         {
                             itemGet,
                             itemPut,
                             Method(u"FindProductID", DISPID_DRIVES_FINDPRODUCTID, VT_BSTR, {{u"index", VT_I2}}),
                             newEnum,
                             Method(u"FindVendorID", DISPID_DRIVES_FINDVENDORID, VT_BSTR, {{u"index", VT_I2}}),
                             Method(u"FindRevision", DISPID_DRIVES_FINDREVISION, VT_BSTR, {{u"index", VT_I2}}),
                             Prop(u"Count", DISPID_DRIVES_COUNT, VT_I2, DISPF_READONLY),
                         });
  }();
  return table;
}

const DispatchTable& IDriveTable() {
  static const DispatchTable table(u"IDrive", IID_IDrive, u"",
                                   {
                                       Prop(u"ProductID", DISPID_DRIVE_PRODUCTID, VT_BSTR, DISPF_READONLY),
                                       Prop(u"VendorID", DISPID_DRIVE_VENDORID, VT_BSTR, DISPF_READONLY),
                                       Prop(u"Revision", DISPID_DRIVE_REVISION, VT_BSTR, DISPF_READONLY),
                                   });
  return table;
}

const DispatchTable& IEnumDrivesTable() {
  static const DispatchTable table(u"IEnumDrives", IID_IEnumDrives, u"", {});
  return table;
}

const TypeLibDescription& CantrelTypeLibDescription() {
  static const TypeLibDescription desc = [] {
    auto dispinterface = [](const DispatchTable& t) {
      TypeLibEntry e;
      e.kind = TKIND_DISPATCH;
      e.name = t.Name();
      e.guid = t.Iid();
      e.helpString = t.HelpString();
      e.typeFlags = TYPEFLAG_FDISPATCHABLE;
      e.members = &t;
      return e;
    };
    auto coclass = [](std::u16string name, const CLSID& clsid, std::u16string help, WORD flags,
                      std::vector<TypeLibImplType> impl) {
      TypeLibEntry e;
      e.kind = TKIND_COCLASS;
      e.name = std::move(name);
      e.guid = clsid;
      e.helpString = std::move(help);
      e.typeFlags = flags;
      e.implTypes = std::move(impl);
      return e;
    };

    TypeLibDescription d;
    d.name = u"cantrelLib";
    d.guid = LIBID_cantrelLib;
    d.majorVersion = CANTREL_LIB_MAJOR;
    d.minorVersion = CANTREL_LIB_MINOR;
    d.lcid = CANTREL_LIB_LCID;
    d.syskind = SYS_WIN32;
    d.libFlags = LIBFLAG_FCONTROL;
    d.helpString = u"cantrel ActiveX Control module";
    d.helpFile = u"cantrel.hlp";
    d.helpContext = 0;
    d.importedLibraries = {u"stdole2.tlb"};
    d.entries = {
        dispinterface(IDrivesTable()),
        dispinterface(DcantrelTable()),
        dispinterface(DcantrelEventsTable()),
        coclass(u"Cantrel", CLSID_Cantrel, u"cantrel Control", TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL,
                {{u"_Dcantrel", IMPLTYPEFLAG_FDEFAULT},
                 {u"_DcantrelEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}),
        coclass(u"Drives", CLSID_Drives, u"", TYPEFLAG_FCANCREATE, {{u"IDrives", IMPLTYPEFLAG_FDEFAULT}}),
        dispinterface(IEnumDrivesTable()),
        coclass(u"EnumDrives", CLSID_EnumDrives, u"", TYPEFLAG_FCANCREATE, {{u"IEnumDrives", IMPLTYPEFLAG_FDEFAULT}}),
        dispinterface(IDriveTable()),
        coclass(u"Drive", CLSID_Drive, u"", TYPEFLAG_FCANCREATE, {{u"IDrive", IMPLTYPEFLAG_FDEFAULT}}),
    };
    return d;
  }();
  return desc;
}
