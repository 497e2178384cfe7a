#pragma once
// Sound engine: devices and stream, stimuli, capture and processing, meters, playback, mixer, test signals.
#include "library/api_common.h"

namespace vemra {

} // namespace vemra
