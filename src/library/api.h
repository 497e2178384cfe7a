#pragma once
// The signal library's contract: every function the program calls, under its own name and argument order.
// Conventions of every call:
// - a call that can fail returns a VResult: 0 for success, otherwise a message id of the message table, which
//   the caller shows through HandleError;
// - records go by reference in the packed layout of records.h; the library may read and write them in place;
// - a response's samples stay in the library from OpenWave until CloseWave, addressed through its WaveHeader;
// - texts are UTF-8 std::string (paths included);
// - no exception leaves a library function;
// - calls come from the user-interface thread (the audio callback is the library's own).
// The functions are declared by family in the headers below.
#include "library/api_common.h"
#include "library/api_settings.h"
#include "library/api_files.h"
#include "library/api_analysis.h"
#include "library/api_view.h"
#include "library/api_sound.h"
#include "library/api_edit.h"
#include "library/api_process.h"
#include "library/api_waterfall.h"
#include "library/api_calibration.h"
#include "library/api_filters.h"
