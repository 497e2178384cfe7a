// libFuzzer target: the settings store's reader, the options loaded from it, the sound-card calibration records
// and the stored system calibrations.
#include "settings_reader.h"

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
