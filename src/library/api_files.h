#pragma once
// Response files: GetWaveHeader, OpenWave, CloseWave, SaveWaveAs, GetTempName.
#include "library/api_common.h"

namespace vemra {

} // namespace vemra
