// Member tables of the control's dispatch interfaces and the description of
// its type library. Handlers are null here: each implementing class attaches
// its own with DispatchTable::Bind, so names, DISPIDs and types are declared
// once and the type library is generated from the same declarations.
#pragma once

#include "control/interface/CantrelIds.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/TypeLib.h"

// _Dcantrel: the control's primary dispatch interface.
const DispatchTable& DcantrelTable();
// _DcantrelEvents: the control's outgoing (event) interface.
const DispatchTable& DcantrelEventsTable();
// IDrives: the recorder collection.
const DispatchTable& IDrivesTable();
// IDrive: one recorder's identity.
const DispatchTable& IDriveTable();
// IEnumDrives: declared without members.
const DispatchTable& IEnumDrivesTable();

// The library cantrelLib: nine type descriptions in library order.
const TypeLibDescription& CantrelTypeLibDescription();
