#include "thiessen/io/vector_source.h"

#include "thiessen/base/data_error.h"
#include "thiessen/base/text.h"
#include "thiessen/io/csv.h"
#include "thiessen/io/input_file.h"
#include "thiessen/io/wkt.h"

#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace thiessen {

namespace {

// Only the drivers of the formats the program reads: registering all of
// GDAL's would cost every run its time.
void RegisterDrivers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterOGRGeoPackage();
        RegisterOGRShape();
        RegisterOGRGeoJSON();
        RegisterOGRFlatGeobuf();
#ifndef THIESSEN_WITHOUT_XML_FORMATS
        RegisterOGRKML();
        RegisterOGRGML();
#endif
    });
}

// While alive, GDAL's messages on this thread are kept here instead of going
// to standard error: the program words its own.
class QuietGdal {
public:
    QuietGdal() { CPLPushErrorHandlerEx(&Keep, this); }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;

private:
    static void CPL_STDCALL Keep(CPLErr, CPLErrorNum, const char*) {}
};

std::string Extension(const std::string& path)
{
    return LowerExtension(path);
}

#ifdef THIESSEN_WITHOUT_XML_FORMATS
constexpr const char* kFormats = "GeoPackage (.gpkg), shapefile (.shp, or zipped .zip), GeoJSON "
                                 "(.geojson, .json), FlatGeobuf (.fgb) or WKT (.wkt)";
#else
constexpr const char* kFormats = "GeoPackage (.gpkg), shapefile (.shp, or zipped .zip), GeoJSON "
                                 "(.geojson, .json), FlatGeobuf (.fgb), KML (.kml), GML (.gml) "
                                 "or WKT (.wkt)";
#endif

// Checks what GDAL would only report in its own words: that the file is
// there, and that a shapefile has its index beside it.
void CheckFileExists(const std::string& path)
{
    OpenInputFile(path);
    if (Extension(path) != ".shp")
        return;
    const std::string stem = path.substr(0, path.size() - 4);
    std::error_code error;
    for (const char* extension : {".shx", ".SHX"})
        if (std::filesystem::exists(std::filesystem::u8path(stem + extension), error))
            return;
    const std::string index = stem.substr(stem.find_last_of("/\\") + 1) + ".shx";
    throw DataError(path,
                    "the shapefile's index " + index +
                        " is missing; a shapefile is a .shp with its .shx and .dbf beside it");
}

GDALDatasetUniquePtr Open(const std::string& gdalPath, const std::string& name)
{
    RegisterDrivers();
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(gdalPath.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (dataset == nullptr)
        throw DataError(name, "the file cannot be read as any of the formats this program reads: " +
                                  std::string(kFormats));
    return dataset;
}

std::string GdalPath(const std::string& path)
{
    return Extension(path) == ".zip" ? "/vsizip/" + path : path;
}

bool IsPolygonalType(OGRwkbGeometryType type)
{
    switch (wkbFlatten(type)) {
    case wkbPolygon:
    case wkbMultiPolygon:
    case wkbCurvePolygon:
    case wkbMultiSurface:
    case wkbGeometryCollection:
    case wkbUnknown:
        return true;
    default:
        return false;
    }
}

bool IsPointType(OGRwkbGeometryType type)
{
    const OGRwkbGeometryType flat = wkbFlatten(type);
    return flat == wkbPoint || flat == wkbMultiPoint || flat == wkbUnknown;
}

std::string LayerNames(GDALDataset& dataset)
{
    std::string names;
    for (OGRLayer* layer : dataset.GetLayers())
        names += (names.empty() ? "" : ", ") + std::string(layer->GetName());
    return names;
}

// The layer named, or else the only one whose features can be of the kind
// wanted ("polygon", "point").
OGRLayer& ChooseLayer(GDALDataset& dataset, const std::string& wanted, const std::string& kind,
                      bool (*fits)(OGRwkbGeometryType), const std::string& name)
{
    if (!wanted.empty()) {
        OGRLayer* layer = dataset.GetLayerByName(wanted.c_str());
        if (layer == nullptr)
            throw DataError(name, "no layer named " + csv::Quote(wanted) +
                                      "; the file's layers are: " + LayerNames(dataset));
        return *layer;
    }
    std::vector<OGRLayer*> candidates;
    for (OGRLayer* layer : dataset.GetLayers())
        if (layer->GetGeomType() != wkbNone && fits(layer->GetGeomType()))
            candidates.push_back(layer);
    if (candidates.size() == 1)
        return *candidates.front();
    if (candidates.empty())
        throw DataError(name, "the file has no " + kind + " layer" +
                                  (dataset.GetLayerCount() > 0
                                       ? "; its layers are: " + LayerNames(dataset)
                                       : std::string()));
    std::string names;
    for (OGRLayer* layer : candidates)
        names += (names.empty() ? "" : ", ") + std::string(layer->GetName());
    throw DataError(name, "the file has several " + kind + " layers (" + names +
                              "); choose one with " +
                              (kind == "point" ? "--gauges-layer" : "--layer"));
}

CoordinateSystem SystemOf(const OGRLayer& layer, const std::string& name)
{
    const OGRSpatialReference* reference = const_cast<OGRLayer&>(layer).GetSpatialRef();
    if (reference == nullptr)
        return {};
    char* wkt = nullptr;
    const char* const options[] = {"FORMAT=WKT2_2019", nullptr};
    if (reference->exportToWkt(&wkt, options) != OGRERR_NONE || wkt == nullptr) {
        CPLFree(wkt);
        throw DataError(name, "the file's coordinate system cannot be read");
    }
    const std::string text = wkt;
    CPLFree(wkt);
    return CoordinateSystem(text, name);
}

std::string TypeName(const OGRGeometry& geometry)
{
    switch (wkbFlatten(geometry.getGeometryType())) {
    case wkbPoint:
        return "Point";
    case wkbMultiPoint:
        return "MultiPoint";
    case wkbLineString:
        return "LineString";
    case wkbMultiLineString:
        return "MultiLineString";
    case wkbPolygon:
        return "Polygon";
    case wkbMultiPolygon:
        return "MultiPolygon";
    default:
        return geometry.getGeometryName();
    }
}

// The polygons of a feature's geometry, curves made straight and without z
// or m; refuses anything else and rings GEOS could not take.
std::unique_ptr<OGRMultiPolygon> Polygons(const OGRGeometry& geometry, const std::string& where,
                                          const std::string& name)
{
    std::unique_ptr<OGRGeometry> linear(geometry.hasCurveGeometry() ? geometry.getLinearGeometry()
                                                                    : geometry.clone());
    linear->flattenTo2D();
    auto polygons = std::make_unique<OGRMultiPolygon>();
    const auto add = [&](const OGRGeometry& part) {
        if (wkbFlatten(part.getGeometryType()) == wkbPolygon)
            polygons->addGeometry(&part);
        else if (wkbFlatten(part.getGeometryType()) == wkbMultiPolygon)
            for (const OGRPolygon* polygon : *part.toMultiPolygon())
                polygons->addGeometry(polygon);
        else
            throw DataError(name, where + ": a " + TypeName(part) +
                                      " is not a boundary; expected a Polygon or MultiPolygon");
    };
    if (wkbFlatten(linear->getGeometryType()) == wkbGeometryCollection) {
        for (const OGRGeometry* part : *linear->toGeometryCollection())
            add(*part);
    } else {
        add(*linear);
    }
    polygons->closeRings();
    OGREnvelope envelope;
    polygons->getEnvelope(&envelope);
    if (!std::isfinite(envelope.MinX) || !std::isfinite(envelope.MaxX) ||
        !std::isfinite(envelope.MinY) || !std::isfinite(envelope.MaxY))
        throw DataError(name, where + ": a point whose coordinates are not finite numbers");
    for (const OGRPolygon* polygon : *polygons)
        for (const OGRLinearRing* ring : *polygon)
            if (ring->getNumPoints() < 4)
                throw DataError(name, where + ": a ring needs at least 3 corners, it has " +
                                          std::to_string(std::max(0, ring->getNumPoints() - 1)));
    return polygons;
}

Geometry ToGeos(const Geos& geos, const OGRGeometry& geometry)
{
    std::vector<unsigned char> wkb(geometry.WkbSize());
    geometry.exportToWkb(wkbNDR, wkb.data(), wkbVariantIso);
    GEOSWKBReader* reader = GEOSWKBReader_create_r(geos.Handle());
    GEOSGeometry* read = GEOSWKBReader_read_r(geos.Handle(), reader, wkb.data(), wkb.size());
    GEOSWKBReader_destroy_r(geos.Handle(), reader);
    return geos.Own(read, "reading a polygon");
}

std::string FieldNames(const OGRFeatureDefn& fields)
{
    std::string all;
    for (int i = 0; i < fields.GetFieldCount(); ++i)
        all += (i == 0 ? "" : ", ") + std::string(fields.GetFieldDefn(i)->GetNameRef());
    return all.empty() ? "none" : all;
}

// The field of that name; refuses, listing the fields, a name that is none.
int NamedField(const OGRFeatureDefn& fields, const std::string& wanted, const std::string& name)
{
    const int index = fields.GetFieldIndex(wanted.c_str());
    if (index < 0)
        throw DataError(name, "no field named " + csv::Quote(wanted) +
                                  "; the fields are: " + FieldNames(fields));
    return index;
}

BoundaryLayer ReadPolygonsOf(const Geos& geos, const std::string& gdalPath,
                             const std::string& layerName, const std::string& nameField,
                             const std::string& name)
{
    const QuietGdal quiet;
    const GDALDatasetUniquePtr dataset = Open(gdalPath, name);
    OGRLayer& layer = ChooseLayer(*dataset, layerName, "polygon", &IsPolygonalType, name);
    const int nameIndex =
        nameField.empty() ? -1 : NamedField(*layer.GetLayerDefn(), nameField, name);
    BoundaryLayer boundary{SystemOf(layer, name), {}};
    long number = 0;
    for (const auto& feature : layer) {
        const std::string where = "feature " + std::to_string(++number);
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (geometry == nullptr || geometry->IsEmpty())
            continue;
        std::string basin;
        if (nameIndex >= 0 && feature->IsFieldSetAndNotNull(nameIndex))
            basin = feature->GetFieldAsString(nameIndex);
        if (nameIndex >= 0 && basin.empty())
            throw DataError(name, where + ": no value in its field " + nameField +
                                      ", which names the sub-basins");
        boundary.features.push_back(
            {ToGeos(geos, *Polygons(*geometry, where, name)), where, std::move(basin)});
    }
    return boundary;
}

BoundaryLayer ReadWktLayer(const Geos& geos, const std::string& path)
{
    BoundaryLayer layer;
    Geometry geometry = ParseWkt(geos, ReadWholeFile(path), path);
    const int count = GEOSGetNumGeometries_r(geos.Handle(), geometry.get());
    if (count == 1 || GEOSGeomTypeId_r(geos.Handle(), geometry.get()) != GEOS_GEOMETRYCOLLECTION) {
        layer.features.push_back({std::move(geometry), {}, {}});
        return layer;
    }
    for (int i = 0; i < count; ++i)
        layer.features.push_back({geos.Clone(GEOSGetGeometryN_r(geos.Handle(), geometry.get(), i)),
                                  "feature " + std::to_string(i + 1),
                                  {}});
    return layer;
}

// The field that holds the gauges' ids: the one named, or the one field
// with a usual name for it.
int IdField(const OGRFeatureDefn& fields, const std::string& wanted, const std::string& name)
{
    if (!wanted.empty())
        return NamedField(fields, wanted, name);
    static constexpr std::array kUsual = {"id",    "station_id", "gauge_id", "station",
                                          "gauge", "code",       "name"};
    std::vector<int> candidates;
    for (int i = 0; i < fields.GetFieldCount(); ++i)
        if (std::find(kUsual.begin(), kUsual.end(), Lower(fields.GetFieldDefn(i)->GetNameRef())) !=
            kUsual.end())
            candidates.push_back(i);
    if (candidates.size() == 1)
        return candidates.front();
    if (candidates.empty())
        throw DataError(name,
                        "no field holds the gauges' ids; name it with --id (the fields are: " +
                            FieldNames(fields) + ")");
    std::string names;
    for (int i : candidates)
        names += (names.empty() ? "" : ", ") + std::string(fields.GetFieldDefn(i)->GetNameRef());
    throw DataError(name, "several fields could hold the gauges' ids (" + names +
                              "); choose one with --id");
}

std::string Unique()
{
    static std::atomic<long> count{0};
    return std::to_string(++count);
}

} // namespace

bool IsVectorFile(const std::string& path)
{
    static constexpr std::array kExtensions = {".gpkg", ".shp", ".zip", ".geojson",
                                               ".json", ".fgb", ".kml", ".gml"};
    return std::find(kExtensions.begin(), kExtensions.end(), Extension(path)) != kExtensions.end();
}

BoundaryLayer ReadBoundaryLayer(const Geos& geos, const std::string& path, const std::string& layer,
                                const std::string& nameField)
{
    if (Extension(path) == ".wkt") {
        if (!layer.empty())
            throw DataError(path, "a WKT file has no layers; --layer is for files that have");
        if (!nameField.empty())
            throw DataError(path, "a WKT file has no fields to name sub-basins; --by is for "
                                  "files that have");
        return ReadWktLayer(geos, path);
    }
    CheckFileExists(path);
    return ReadPolygonsOf(geos, GdalPath(path), layer, nameField, path);
}

BoundaryLayer ParseBoundaryLayer(const Geos& geos, const std::string& bytes,
                                 const std::string& name)
{
    const std::string memory = "/vsimem/thiessen-" + Unique() + "/" + name;
    VSIFCloseL(VSIFileFromMemBuffer(memory.c_str(),
                                    reinterpret_cast<GByte*>(const_cast<char*>(bytes.data())),
                                    bytes.size(), false));
    struct Remove {
        std::string path;
        ~Remove() { VSIUnlink(path.c_str()); }
    } remove{memory};
    return ReadPolygonsOf(geos, GdalPath(memory), {}, {}, name);
}

std::vector<PolygonLayerInfo> PolygonLayers(const std::string& path)
{
    if (Extension(path) == ".wkt")
        return {};
    CheckFileExists(path);
    const QuietGdal quiet;
    const GDALDatasetUniquePtr dataset = Open(GdalPath(path), path);
    std::vector<PolygonLayerInfo> layers;
    for (OGRLayer* layer : dataset->GetLayers()) {
        if (layer->GetGeomType() == wkbNone || !IsPolygonalType(layer->GetGeomType()))
            continue;
        const OGRFeatureDefn& definition = *layer->GetLayerDefn();
        std::vector<std::pair<int, std::string>> fields;
        for (int i = 0; i < definition.GetFieldCount(); ++i) {
            const OGRFieldDefn& field = *definition.GetFieldDefn(i);
            const std::string lower = Lower(field.GetNameRef());
            const int rank =
                lower.find("name") != std::string::npos ? 0
                : lower == "id" || lower.ends_with("_id") || lower.find("code") != std::string::npos
                    ? 1
                : field.GetType() == OFTString ? 2
                                               : 3;
            fields.emplace_back(rank, field.GetNameRef());
        }
        std::stable_sort(fields.begin(), fields.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        PolygonLayerInfo info{layer->GetName(), {}, layer->GetFeatureCount()};
        for (auto& field : fields)
            info.fields.push_back(std::move(field.second));
        layers.push_back(std::move(info));
    }
    return layers;
}

bool HoldsPoints(const std::string& path)
{
    const QuietGdal quiet;
    RegisterDrivers();
    const GDALDatasetUniquePtr dataset(
        GDALDataset::Open(GdalPath(path).c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (dataset == nullptr)
        return false;
    bool points = false;
    for (OGRLayer* layer : dataset->GetLayers()) {
        const OGRwkbGeometryType type = wkbFlatten(layer->GetGeomType());
        if (type == wkbPolygon || type == wkbMultiPolygon || type == wkbCurvePolygon ||
            type == wkbMultiSurface)
            return false;
        points = points || type == wkbPoint || type == wkbMultiPoint;
    }
    return points;
}

PointLayer ReadPointLayer(const std::string& path, const std::string& layerName,
                          const std::string& idField)
{
    CheckFileExists(path);
    const QuietGdal quiet;
    const GDALDatasetUniquePtr dataset = Open(GdalPath(path), path);
    OGRLayer& layer = ChooseLayer(*dataset, layerName, "point", &IsPointType, path);
    const int idIndex = IdField(*layer.GetLayerDefn(), idField, path);
    PointLayer points{
        SystemOf(layer, path), layer.GetLayerDefn()->GetFieldDefn(idIndex)->GetNameRef(), {}};
    long number = 0;
    for (const auto& feature : layer) {
        const std::string where = "feature " + std::to_string(++number);
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (geometry != nullptr && wkbFlatten(geometry->getGeometryType()) == wkbMultiPoint &&
            geometry->toMultiPoint()->getNumGeometries() == 1)
            geometry = geometry->toMultiPoint()->getGeometryRef(0);
        if (geometry == nullptr || geometry->IsEmpty() ||
            wkbFlatten(geometry->getGeometryType()) != wkbPoint)
            throw DataError(path, where + ": expected a point for the gauge" +
                                      (geometry == nullptr || geometry->IsEmpty()
                                           ? std::string(", found none")
                                           : ", not a " + TypeName(*geometry)));
        const OGRPoint& point = *geometry->toPoint();
        if (!std::isfinite(point.getX()) || !std::isfinite(point.getY()))
            throw DataError(path, where + ": a point whose coordinates are not finite numbers");
        std::string id = feature->IsFieldSetAndNotNull(idIndex) ? feature->GetFieldAsString(idIndex)
                                                                : std::string();
        if (id.empty())
            throw DataError(path, where + ": the gauge has no id in its field " + points.idField);
        points.points.push_back({std::move(id), {point.getX(), point.getY()}, number});
    }
    if (points.points.empty())
        throw DataError(path, "the layer has no gauges");
    return points;
}

} // namespace thiessen
