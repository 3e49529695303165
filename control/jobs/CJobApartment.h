// A job thread's apartment: entered when the job starts and left when it
// ends, after every service object of the job is gone.
#pragma once

#include "platform/com/ComTypes.h"

class CJobApartment {
 public:
  CJobApartment();
  ~CJobApartment();
  CJobApartment(const CJobApartment&) = delete;
  CJobApartment& operator=(const CJobApartment&) = delete;

 private:
  HRESULT m_hr;
};
