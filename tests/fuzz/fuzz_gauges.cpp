// libFuzzer target: the gauges reader on any text.
#include "thiessen/base/data_error.h"
#include "thiessen/io/gauges.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        thiessen::ParseGauges({reinterpret_cast<const char*>(data), size}, "gauges.csv");
    } catch (const thiessen::DataError&) {
    }
    return 0;
}
