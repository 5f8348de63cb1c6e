// The byte stream the KC35 stand-in decodes.
#include "FuzzCheck.h"
#include "Kc35Decoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Kc35Decoder decoder;
    for (std::size_t i = 0; i < size; ++i) {
        for (const std::string& line : decoder.Feed(static_cast<char>(data[i]))) {
            FUZZ_CHECK(!line.empty());
        }
    }
    static_cast<void>(decoder.Flush());
    FUZZ_CHECK(!decoder.Pending());
    return 0;
}
