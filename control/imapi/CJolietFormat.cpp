#include "control/imapi/CJolietFormat.h"

CJolietFormat::~CJolietFormat() = default;
