// libFuzzer target: the txt reader.
#include "fuzz_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vemra::fuzz::readAndRoundTrip(vemra::files::FileKind::Txt, data, size);
    return 0;
}
