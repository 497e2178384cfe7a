#pragma once
// Room-acoustic parameters of one channel in one band: CalcIRStartISO, CalcRT, CalcCx, CalcTs, CalcSupport, CalcG, CalcLE (and later the spatial and speech ones).
#include "library/api_common.h"

namespace vemra {

} // namespace vemra
