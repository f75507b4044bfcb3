#include "thiessen/boundary.h"

#include "thiessen/data_error.h"
#include "thiessen/input_file.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace thiessen {

namespace {

// One polygon, or several, read from a file; label tells which part of the
// file it came from, for messages ("feature 2"), when there are several.
struct Part {
    Geometry geometry;
    std::string label;
};

std::string Number(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string TypeName(const Geos& geos, const GEOSGeometry* geometry)
{
    char* type = GEOSGeomType_r(geos.Handle(), geometry);
    std::string name = type != nullptr ? type : "geometry";
    GEOSFree_r(geos.Handle(), type);
    return name;
}

// Gathers the polygons of what a GeoJSON or WKT reader returned: a Polygon, a
// MultiPolygon, or a collection of them (a FeatureCollection comes as one).
void CollectParts(const Geos& geos, const GEOSGeometry* geometry, const std::string& name,
                  const std::string& label, std::vector<Part>& parts)
{
    switch (GEOSGeomTypeId_r(geos.Handle(), geometry)) {
    case GEOS_POLYGON:
    case GEOS_MULTIPOLYGON:
        if (!GEOSisEmpty_r(geos.Handle(), geometry))
            parts.push_back({geos.Clone(geometry), label});
        return;
    case GEOS_GEOMETRYCOLLECTION: {
        const int count = GEOSGetNumGeometries_r(geos.Handle(), geometry);
        for (int i = 0; i < count; ++i)
            CollectParts(geos, GEOSGetGeometryN_r(geos.Handle(), geometry, i), name,
                         label.empty() ? "feature " + std::to_string(i + 1) : label, parts);
        return;
    }
    default:
        throw DataError(name, (label.empty() ? "" : label + ": ") + "a " +
                                  TypeName(geos, geometry) +
                                  " is not a boundary; expected a Polygon or MultiPolygon");
    }
}

void CheckValid(const Geos& geos, const Part& part, const std::string& name)
{
    char* reason = nullptr;
    GEOSGeometry* location = nullptr;
    const char valid =
        GEOSisValidDetail_r(geos.Handle(), part.geometry.get(), 0, &reason, &location);
    if (valid == 1)
        return;
    std::string problem = (part.label.empty() ? "" : part.label + ": ") + "the boundary is not ";
    if (valid == 0) {
        problem += "valid: " + std::string(reason != nullptr ? reason : "no reason given");
        double x = 0, y = 0;
        if (location != nullptr && GEOSGeomGetX_r(geos.Handle(), location, &x) == 1 &&
            GEOSGeomGetY_r(geos.Handle(), location, &y) == 1)
            problem += " at (" + Number(x) + ", " + Number(y) + ")";
    } else {
        problem += "usable: " + geos.TakeLastError();
    }
    GEOSFree_r(geos.Handle(), reason);
    if (location != nullptr)
        GEOSGeom_destroy_r(geos.Handle(), location);
    throw DataError(name, problem);
}

// The boundary made of the parts: each must be valid, and parts that touch
// or overlap are merged.
Geometry Combine(const Geos& geos, std::vector<Part> parts, const std::string& name)
{
    if (parts.empty())
        throw DataError(name, "the boundary is empty; expected at least one polygon");
    // Validity first: a ring that crosses itself can enclose zero area in
    // sum, and its crossing is what the user has to mend.
    for (const Part& part : parts) {
        CheckValid(geos, part, name);
        if (!(geos.Area(part.geometry.get()) > 0))
            throw DataError(name, (part.label.empty() ? "" : part.label + ": ") +
                                      "the boundary has zero area");
    }
    Geometry boundary;
    if (parts.size() == 1) {
        boundary = std::move(parts.front().geometry);
    } else {
        std::vector<Geometry> geometries;
        for (Part& part : parts)
            geometries.push_back(std::move(part.geometry));
        const Geometry all = geos.Collection(GEOS_GEOMETRYCOLLECTION, std::move(geometries));
        try {
            boundary = geos.Own(GEOSUnaryUnion_r(geos.Handle(), all.get()), "merging them");
        } catch (const GeometryError& error) {
            throw DataError(name, std::string("the polygons could not be made one boundary: ") +
                                      error.what());
        }
    }
    return boundary;
}

std::string WithoutByteOrderMark(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    return std::string(text);
}

// Refuses, before GEOS reads it, JSON that GEOS 3.11 does not read safely:
// an empty array inside an array, such as an empty position in a ring
// ([[[]]]), makes its reader dereference a null pointer; and nesting deep
// enough to exhaust the stack. Strings are skipped; line and column count
// from 1 (by bytes).
void CheckJsonShape(std::string_view text, const std::string& name)
{
    constexpr size_t kDeepest = 256;
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::string containers; // '[' or '{' for each one open
    long line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i)
                i += text[i] == '\\';
        } else if (c == '[' || c == '{') {
            const auto problem = [&](const std::string& what) {
                return DataError(name, line, static_cast<int>(i - lineStart + 1), {}, what);
            };
            if (containers.size() == kDeepest)
                throw problem("brackets nested more than " + std::to_string(kDeepest) + " deep");
            size_t next = i + 1;
            while (next < text.size() && isSpace(text[next]))
                ++next;
            if (c == '[' && containers.ends_with('[') && next < text.size() && text[next] == ']')
                throw problem("an empty array among coordinates; a position has two or three "
                              "numbers, a ring at least four positions");
            containers += c;
        } else if ((c == ']' || c == '}') && !containers.empty()) {
            containers.pop_back();
        }
    }
}

// GEOS 3.11 reads the first geometry of a WKT text and ignores whatever
// follows, so a second polygon would be lost without a word: refuse it.
void CheckSingleWkt(std::string_view text, const std::string& name)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    size_t end = std::min(upper.find('('), upper.find("EMPTY"));
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

// --- ESRI shapefiles -------------------------------------------------------
// The main file (.shp): a 100-byte header, then records of a big-endian
// record number and content length (in 16-bit words) and the content, whose
// numbers are little-endian. A polygon's content: its type, bounding box,
// number of parts (rings) and of points, each part's first point, then the
// points as x, y; PolygonZ and PolygonM add z and m values after them.

constexpr int kShapefileCode = 9994;
constexpr size_t kHeaderSize = 100;

class Bytes {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

    uint32_t Big(size_t at) const
    {
        return uint32_t{Byte(at)} << 24 | uint32_t{Byte(at + 1)} << 16 |
               uint32_t{Byte(at + 2)} << 8 | uint32_t{Byte(at + 3)};
    }
    int32_t LittleInt(size_t at) const { return static_cast<int32_t>(Little32(at)); }
    double LittleDouble(size_t at) const
    {
        return std::bit_cast<double>(uint64_t{Little32(at + 4)} << 32 | Little32(at));
    }

private:
    uint8_t Byte(size_t at) const { return static_cast<uint8_t>(bytes_[at]); }
    uint32_t Little32(size_t at) const
    {
        return uint32_t{Byte(at + 3)} << 24 | uint32_t{Byte(at + 2)} << 16 |
               uint32_t{Byte(at + 1)} << 8 | uint32_t{Byte(at)};
    }

    std::string_view bytes_;
};

std::string ShapeTypeName(int type)
{
    switch (type) {
    case 1:
        return "Point";
    case 3:
        return "PolyLine";
    case 8:
        return "MultiPoint";
    case 11:
        return "PointZ";
    case 13:
        return "PolyLineZ";
    case 18:
        return "MultiPointZ";
    case 21:
        return "PointM";
    case 23:
        return "PolyLineM";
    case 28:
        return "MultiPointM";
    case 31:
        return "MultiPatch";
    default:
        return "shape type " + std::to_string(type);
    }
}

bool IsPolygonType(int type)
{
    return type == 5 || type == 15 || type == 25;
}

// A ring as x, y pairs, closed.
struct Ring {
    std::vector<double> xy;
    double signedArea = 0; // negative when clockwise

    size_t Size() const { return xy.size() / 2; }
    double X(size_t i) const { return xy[2 * i]; }
    double Y(size_t i) const { return xy[2 * i + 1]; }
};

double SignedArea(const Ring& ring)
{
    double twice = 0;
    for (size_t i = 0; i + 1 < ring.Size(); ++i)
        twice += ring.X(i) * ring.Y(i + 1) - ring.X(i + 1) * ring.Y(i);
    return twice / 2;
}

// Whether the point is inside the ring, by the even-odd rule.
bool Inside(const Ring& ring, double x, double y)
{
    bool inside = false;
    for (size_t i = 0, j = ring.Size() - 1; i < ring.Size(); j = i++)
        if ((ring.Y(i) > y) != (ring.Y(j) > y) &&
            x < (ring.X(j) - ring.X(i)) * (y - ring.Y(i)) / (ring.Y(j) - ring.Y(i)) + ring.X(i))
            inside = !inside;
    return inside;
}

bool OnRing(const Ring& ring, double x, double y)
{
    for (size_t i = 0; i + 1 < ring.Size(); ++i) {
        const double x0 = ring.X(i), y0 = ring.Y(i), x1 = ring.X(i + 1), y1 = ring.Y(i + 1);
        if ((x1 - x0) * (y - y0) == (y1 - y0) * (x - x0) && std::min(x0, x1) <= x &&
            x <= std::max(x0, x1) && std::min(y0, y1) <= y && y <= std::max(y0, y1))
            return true;
    }
    return false;
}

// Whether the ring lies inside the shell, told by its first corner that is
// not on the shell: a hole may touch its shell at a corner. (A point inside
// the hole would not do: it may be inside an island within the hole.)
bool RingInside(const Ring& shell, const Ring& ring)
{
    for (size_t i = 0; i + 1 < ring.Size(); ++i)
        if (!OnRing(shell, ring.X(i), ring.Y(i)))
            return Inside(shell, ring.X(i), ring.Y(i));
    return false;
}

Geometry MakeRing(const Geos& geos, const Ring& ring)
{
    GEOSCoordSequence* points = GEOSCoordSeq_copyFromBuffer_r(
        geos.Handle(), ring.xy.data(), static_cast<unsigned>(ring.Size()), 0, 0);
    if (points == nullptr)
        throw GeometryError("making a ring failed: " + geos.TakeLastError());
    return geos.Own(GEOSGeom_createLinearRing_r(geos.Handle(), points), "making a ring");
}

Geometry MakePolygon(const Geos& geos, const Ring& shell, const std::vector<const Ring*>& holes)
{
    std::vector<Geometry> holeRings;
    for (const Ring* hole : holes)
        holeRings.push_back(MakeRing(geos, *hole));
    std::vector<GEOSGeometry*> raw;
    for (Geometry& ring : holeRings)
        raw.push_back(ring.get());
    Geometry polygon =
        geos.Own(GEOSGeom_createPolygon_r(geos.Handle(), MakeRing(geos, shell).release(),
                                          raw.data(), static_cast<unsigned>(raw.size())),
                 "making a polygon");
    for (Geometry& ring : holeRings)
        ring.release(); // the polygon owns them now
    return polygon;
}

// The polygons of one record: clockwise rings are shells, counter-clockwise
// rings holes, each in the smallest shell around it.
Geometry RecordPolygons(const Geos& geos, std::vector<Ring> rings, const std::string& name,
                        const std::string& record)
{
    std::vector<const Ring*> shells;
    for (const Ring& ring : rings)
        if (ring.signedArea < 0)
            shells.push_back(&ring);
    std::vector<std::vector<const Ring*>> holesOf(shells.size());
    for (size_t r = 0; r < rings.size(); ++r) {
        if (rings[r].signedArea < 0)
            continue;
        const Ring* const* around = nullptr;
        for (const Ring* const& shell : shells)
            if (RingInside(*shell, rings[r]) &&
                (around == nullptr || -shell->signedArea < -(*around)->signedArea))
                around = &shell;
        if (around == nullptr)
            throw DataError(name, record + ", ring " + std::to_string(r + 1) +
                                      ": a hole (a counter-clockwise ring) outside every outer "
                                      "ring; outer rings go clockwise");
        holesOf[static_cast<size_t>(around - shells.data())].push_back(&rings[r]);
    }
    std::vector<Geometry> polygons;
    for (size_t s = 0; s < shells.size(); ++s)
        polygons.push_back(MakePolygon(geos, *shells[s], holesOf[s]));
    if (polygons.size() == 1)
        return std::move(polygons.front());
    return geos.Collection(GEOS_MULTIPOLYGON, std::move(polygons));
}

// The rings of a polygon record whose content is bytes[at, at + length).
std::vector<Ring> ReadRings(const Bytes& bytes, size_t at, size_t length, const std::string& name,
                            const std::string& record)
{
    if (length < 44)
        throw DataError(name, record + ": too short for a polygon");
    const int32_t partCount = bytes.LittleInt(at + 36);
    const int32_t pointCount = bytes.LittleInt(at + 40);
    if (partCount < 0 || pointCount < 0 ||
        44 + 4 * uint64_t(partCount) + 16 * uint64_t(pointCount) > length)
        throw DataError(name, record + ": " + std::to_string(partCount) + " rings and " +
                                  std::to_string(pointCount) + " points do not fit in its " +
                                  std::to_string(length) + " bytes");
    const size_t points = at + 44 + 4 * size_t(partCount);
    std::vector<Ring> rings;
    for (int32_t part = 0; part < partCount; ++part) {
        const int32_t first = bytes.LittleInt(at + 44 + 4 * size_t(part));
        const int32_t end =
            part + 1 < partCount ? bytes.LittleInt(at + 48 + 4 * size_t(part)) : pointCount;
        const std::string where = record + ", ring " + std::to_string(part + 1);
        if (first < 0 || end > pointCount || first > end || (part == 0 && first != 0))
            throw DataError(name, where + ": its points are not within the record's");
        Ring ring;
        for (int32_t i = first; i < end; ++i) {
            const double x = bytes.LittleDouble(points + 16 * size_t(i));
            const double y = bytes.LittleDouble(points + 16 * size_t(i) + 8);
            if (!std::isfinite(x) || !std::isfinite(y))
                throw DataError(name, where + ": a point whose coordinates are not finite numbers");
            ring.xy.insert(ring.xy.end(), {x, y});
        }
        if (ring.Size() > 0 &&
            (ring.X(0) != ring.X(ring.Size() - 1) || ring.Y(0) != ring.Y(ring.Size() - 1)))
            ring.xy.insert(ring.xy.end(), {ring.X(0), ring.Y(0)});
        if (ring.Size() < 4)
            throw DataError(name, where + ": a ring needs at least 3 corners, it has " +
                                      std::to_string(ring.Size() == 0 ? 0 : ring.Size() - 1));
        ring.signedArea = SignedArea(ring);
        if (ring.signedArea == 0)
            throw DataError(name, where + ": a ring of zero area");
        rings.push_back(std::move(ring));
    }
    return rings;
}

} // namespace

Geometry ParseGeoJsonBoundary(const Geos& geos, std::string_view text, const std::string& name)
{
    const auto destroy = [&geos](GEOSGeoJSONReader* reader) {
        GEOSGeoJSONReader_destroy_r(geos.Handle(), reader);
    };
    const std::unique_ptr<GEOSGeoJSONReader, decltype(destroy)> reader(
        GEOSGeoJSONReader_create_r(geos.Handle()), destroy);
    const std::string json = WithoutByteOrderMark(text);
    CheckJsonShape(json, name);
    GEOSGeometry* read =
        GEOSGeoJSONReader_readGeometry_r(geos.Handle(), reader.get(), json.c_str());
    if (read == nullptr)
        throw DataError(name, "the file is not GeoJSON that can be read: " + geos.TakeLastError());
    const Geometry geometry = geos.Own(read, "reading GeoJSON");
    std::vector<Part> parts;
    CollectParts(geos, geometry.get(), name, {}, parts);
    return Combine(geos, std::move(parts), name);
}

Geometry ParseWktBoundary(const Geos& geos, std::string_view text, const std::string& name)
{
    const auto destroy = [&geos](GEOSWKTReader* reader) {
        GEOSWKTReader_destroy_r(geos.Handle(), reader);
    };
    const std::unique_ptr<GEOSWKTReader, decltype(destroy)> reader(
        GEOSWKTReader_create_r(geos.Handle()), destroy);
    const std::string wkt = WithoutByteOrderMark(text);
    CheckSingleWkt(wkt, name);
    GEOSGeometry* read = GEOSWKTReader_read_r(geos.Handle(), reader.get(), wkt.c_str());
    if (read == nullptr)
        throw DataError(name, "the file is not WKT that can be read: " + geos.TakeLastError());
    const Geometry geometry = geos.Own(read, "reading WKT");
    std::vector<Part> parts;
    CollectParts(geos, geometry.get(), name, {}, parts);
    return Combine(geos, std::move(parts), name);
}

Geometry ParseShapefileBoundary(const Geos& geos, std::string_view data, const std::string& name)
{
    const Bytes bytes(data);
    if (data.size() < kHeaderSize || bytes.Big(0) != kShapefileCode)
        throw DataError(name, "the file is not an ESRI shapefile (.shp): it does not start as one");
    const uint64_t declared = 2 * uint64_t{bytes.Big(24)};
    if (declared > data.size())
        throw DataError(name, "the file is cut short: its header gives " +
                                  std::to_string(declared) + " bytes, it has " +
                                  std::to_string(data.size()));
    const int type = bytes.LittleInt(32);
    if (!IsPolygonType(type) && type != 0)
        throw DataError(name, "the file holds " + ShapeTypeName(type) +
                                  " shapes; a boundary is made of polygons");
    const size_t end = std::max<size_t>(kHeaderSize, declared);
    std::vector<Part> parts;
    size_t at = kHeaderSize;
    for (int number = 1; at < end; ++number) {
        const std::string record = "record " + std::to_string(number);
        if (end - at < 12 || 2 * uint64_t{bytes.Big(at + 4)} > end - at - 8)
            throw DataError(name, record + " (at byte " + std::to_string(at) +
                                      ") runs past the end of the file");
        const size_t length = 2 * size_t{bytes.Big(at + 4)};
        const size_t content = at + 8;
        at = content + length;
        if (length < 4)
            throw DataError(name, record + ": too short for a shape");
        const int recordType = bytes.LittleInt(content);
        if (recordType == 0)
            continue; // a null shape: a record without geometry
        if (!IsPolygonType(recordType))
            throw DataError(name, record + ": a " + ShapeTypeName(recordType) +
                                      "; a boundary is made of polygons");
        std::vector<Ring> rings = ReadRings(bytes, content, length, name, record);
        if (!rings.empty())
            parts.push_back({RecordPolygons(geos, std::move(rings), name, record), record});
    }
    if (parts.size() == 1)
        parts.front().label.clear();
    return Combine(geos, std::move(parts), name);
}

Geometry ReadBoundary(const Geos& geos, const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool json = extension == ".geojson" || extension == ".json";
    if (!json && extension != ".wkt" && extension != ".shp")
        throw DataError(path, "the file is not in a format this program reads; expected GeoJSON "
                              "(.geojson, .json), WKT (.wkt) or an ESRI shapefile (.shp)");
    const InputFile file = OpenInputFile(path);
    std::string contents;
    char block[65536];
    while (const size_t read = std::fread(block, 1, sizeof block, file.get()))
        contents.append(block, read);
    if (std::ferror(file.get()))
        throw DataError(path, std::string("the file could not be read: ") + std::strerror(errno));
    if (json)
        return ParseGeoJsonBoundary(geos, contents, path);
    if (extension == ".wkt")
        return ParseWktBoundary(geos, contents, path);
    return ParseShapefileBoundary(geos, contents, path);
}

} // namespace thiessen
