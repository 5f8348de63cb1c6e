// The number syntax of the test-condition file and the parameter edits.
#include "FuzzCheck.h"
#include "NumberParse.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static_cast<void>(ParseInteger(text));
    for (const char separator : {'.', ','}) {
        if (const auto real = ParseReal(text, separator)) {
            FUZZ_CHECK(std::isfinite(*real));
        }
    }
    return 0;
}
