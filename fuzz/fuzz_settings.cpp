// libFuzzer target: the settings store's reader, the options loaded from it, the sound-card calibration records
// and the stored system calibrations.
#include "settings_reader.h"

// Nearly every block this target allocates or frees is allocated or freed inside Qt Core, which is built without
// frame pointers: QArrayData::allocate keeps its QArrayData** in rbp, so the sanitizer's frame-pointer walk takes
// the data pointer beside it as the next return address. Each fresh address (the quarantine hands out new ones
// for a long time) made a new allocation stack, and the sanitizer keeps every stack it has seen: about 8 KB more
// per input, no leak. Only the allocating function and its caller are sure; keep those. To see the whole stack of
// a reported block, rerun the input with ASAN_OPTIONS=fast_unwind_on_malloc=0:malloc_context_size=30 (slow).
extern "C" const char* __asan_default_options() { return "malloc_context_size=2"; }

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vemra::fuzz::useScratchStore();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vemra::fuzz::checkFileRoundTrip(data, size);
    vemra::fuzz::loadStore(data, size);
    vemra::fuzz::checkOptions();
    vemra::fuzz::checkCalibrationRecords();
    vemra::fuzz::checkSystemCalibrations();
    return 0;
}
