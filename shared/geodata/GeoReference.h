#pragma once
// Where a raster lies on the earth, kept in the two sidecar files that GDAL, QGIS and ArcGIS read
// beside image formats without coordinates of their own:
//  - an ESRI world file ("topo.pgw" beside "topo.png", "temp.bpw" beside "temp.bmp"): six lines
//    A, D, B, E, C, F of the affine map from a pixel to map coordinates, (C, F) being the map
//    position of the CENTRE of the upper-left pixel;
//  - GDAL's auxiliary file "<image>.aux.xml" naming the coordinate system.
// Both go through the replacing writer, after the image, so an image never stands beside the
// sidecars of an older run: a reference without a part removes that part's file, and a failure
// while writing removes both before the error passes on.
#include <optional>
#include <string>

// A position in map units: longitude and latitude in degrees for the programs' maps.
struct MapPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const MapPoint&, const MapPoint&) = default;
};

// The world file's affine transform; pixel (column, row) counts whole pixels from the centre of
// the upper-left one, so pixel edges lie at halves.
struct GeoTransform {
    double xPerColumn = 1;  // A
    double yPerColumn = 0;  // D, a rotation term
    double xPerRow = 0;     // B, a rotation term
    double yPerRow = -1;    // E, negative when north is up
    double centreX = 0;     // C
    double centreY = 0;     // F

    // North up: the centre of the upper-left pixel and the size of a pixel.
    static GeoTransform NorthUp(MapPoint upperLeftCentre, double pixelWidth, double pixelHeight);

    MapPoint PixelToMap(double column, double row) const;
    // The inverse; a transform without one (all pixels on a line) gives NaN.
    MapPoint MapToPixel(MapPoint point) const;
    // The outer corner of the upper-left pixel, as GDAL's own geotransform has it.
    MapPoint UpperLeftCorner() const { return PixelToMap(-0.5, -0.5); }

    friend bool operator==(const GeoTransform&, const GeoTransform&) = default;
};

// A coordinate system as GDAL writes it into an auxiliary file: well-known text, and the order
// of the data's axes against the system's ("2,1": longitude first, though WGS 84 names
// latitude first).
struct CoordinateSystem {
    std::string wkt;
    std::string axisMapping;
    friend bool operator==(const CoordinateSystem&, const CoordinateSystem&) = default;
};

// WGS 84 longitude/latitude in degrees, EPSG:4326, the system of every map the programs draw.
CoordinateSystem Wgs84LonLat();

struct GeoReference {
    std::optional<GeoTransform> transform;             // the world file
    std::optional<CoordinateSystem> coordinateSystem;  // the auxiliary file
    friend bool operator==(const GeoReference&, const GeoReference&) = default;
};

// A map in WGS 84 degrees.
GeoReference Wgs84Reference(const GeoTransform& transform);

// "topo.pgw" for "topo.png": the extension's first and last letters and a 'w' (GDAL's first
// choice); "<image>.wld" for an image without such an extension.
std::string WorldFileName(const std::string& imagePath);
std::string AuxFileName(const std::string& imagePath);

std::string WorldFileText(const GeoTransform& transform);
// Throws VarnholtError naming the file when the text is not six finite numbers of a transform
// that has an inverse.
GeoTransform ParseWorldFile(const std::string& text, const std::string& path);
std::string AuxFileText(const CoordinateSystem& system);
// The coordinate system and GDAL's own geotransform, where the file holds them; VarnholtError
// naming the file for text that is not a GDAL auxiliary file.
GeoReference ParseAuxFile(const std::string& text, const std::string& path);

// Writes the parts the reference has and removes the sidecars of the parts it lacks.
void WriteGeoreference(const std::string& imagePath, const GeoReference& reference);
// Before the image is replaced: removes the sidecars that would not describe the new one (other
// text than WriteGeoreference will write, or none wanted), so that a run stopped between the
// image and its sidecars leaves the image without them, never beside an older run's.
void WithdrawStaleGeoreference(const std::string& imagePath, const GeoReference& reference);
// What lies beside an image: the world file GDAL would take (.pgw, .pngw or .wld for a PNG) and
// the auxiliary file, whose geotransform serves when there is no world file. Nothing for a
// sidecar that does not exist; errors name the file that cannot be read or understood.
GeoReference ReadGeoreference(const std::string& imagePath);
