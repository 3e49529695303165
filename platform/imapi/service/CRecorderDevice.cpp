#include "platform/imapi/service/CRecorderDevice.h"

CRecorderDevice::~CRecorderDevice() = default;
