#include "control/jobs/CJobApartment.h"

#include "platform/com/Apartment.h"

CJobApartment::CJobApartment() : m_hr(CoInitialize(nullptr)) {}

CJobApartment::~CJobApartment() {
  if (SUCCEEDED(m_hr)) CoUninitialize();
}
