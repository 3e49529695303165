#include "tests/platform/olectl/control/TestControl.h"

BEGIN_MESSAGE_MAP(CTestControl, COleControl)
ON_MESSAGE(WM_TEST_RECORD, OnRecord)
ON_MESSAGE(WM_TEST_SELF_RELEASE, OnSelfRelease)
END_MESSAGE_MAP()
