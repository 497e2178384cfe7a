#pragma once
// View processing: ProcessWave (the drawing calls live in library/draw).
#include "library/api_common.h"

namespace vemra {

} // namespace vemra
