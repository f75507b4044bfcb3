// libFuzzer target: the WKT boundary reader on any input.
#include "thiessen/base/data_error.h"
#include "thiessen/io/wkt.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const thiessen::Geos geos;
    try {
        thiessen::ParseWkt(geos, {reinterpret_cast<const char*>(data), size}, "b");
    } catch (const thiessen::DataError&) {
    }
    return 0;
}
