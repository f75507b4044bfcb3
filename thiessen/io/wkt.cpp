#include "thiessen/io/wkt.h"

#include "thiessen/base/data_error.h"
#include "thiessen/base/text.h"

#include <algorithm>
#include <memory>

namespace thiessen {

namespace {

// GEOS reads the first geometry of a WKT text and ignores whatever follows,
// so a second polygon would be lost without a word: refuse it.
void CheckSingleWkt(std::string_view text, const std::string& name)
{
    const std::string upper = Lower(text);
    size_t end = std::min(upper.find('('), upper.find("empty"));
    if (end == std::string::npos)
        return; // GEOS says what is wrong
    if (upper[end] == '(') {
        for (int depth = 0; end < upper.size(); ++end) {
            depth += upper[end] == '(' ? 1 : upper[end] == ')' ? -1 : 0;
            if (depth == 0)
                break;
        }
        ++end;
    } else {
        end += 5;
    }
    const size_t rest = text.find_first_not_of(" \t\r\n", end);
    if (rest < text.size())
        throw DataError(name, 1 + std::count(text.begin(), text.begin() + rest, '\n'), 0, {},
                        "text after the first geometry; several polygons go in one "
                        "MULTIPOLYGON or GEOMETRYCOLLECTION");
}

} // namespace

Geometry ParseWkt(const Geos& geos, std::string_view text, const std::string& name)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const std::string wkt(text);
    CheckSingleWkt(wkt, name);
    const auto destroy = [&geos](GEOSWKTReader* reader) {
        GEOSWKTReader_destroy_r(geos.Handle(), reader);
    };
    const std::unique_ptr<GEOSWKTReader, decltype(destroy)> reader(
        GEOSWKTReader_create_r(geos.Handle()), destroy);
    GEOSGeometry* read = GEOSWKTReader_read_r(geos.Handle(), reader.get(), wkt.c_str());
    if (read == nullptr) {
        // GEOS refuses an unclosed ring in words of its own.
        if (geos.TakeLastError().find("closed") != std::string::npos)
            throw DataError(name, "a ring is not closed; its last point must be its first");
        throw DataError(name, "the file is not WKT that can be read");
    }
    Geometry geometry = geos.Own(read, "reading WKT");
    if (GEOSisEmpty_r(geos.Handle(), geometry.get()))
        throw DataError(name, "the boundary is empty; expected at least one polygon");
    return geometry;
}

} // namespace thiessen
