#include "control/module/CCantrelPropPage.h"

#include "control/module/ResourceIds.h"

CCantrelPropPage::CCantrelPropPage() : COlePropertyPage(IDD_PROPPAGE_CANTREL, IDS_CANTREL_PPG_CAPTION) {}

void CCantrelPropPage::DoDataExchange(CDataExchange* pDX) { DDP_PostProcessing(pDX); }
