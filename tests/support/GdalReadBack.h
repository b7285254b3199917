#pragma once
// What GDAL itself makes of an image and its sidecars, through gdalinfo and gdalsrsinfo, so that
// the georeferencing is checked by the reader map makers use, not by the code that wrote it.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <vector>

#include "RunCommand.h"

struct GdalReadBack {
    std::string epsg;                  // "EPSG:4326"; empty without a coordinate system
    std::vector<double> geoTransform;  // GDAL's six terms (upper-left CORNER); empty without

    // Map position of the centre of pixel (column, row).
    double X(double column, double row) const {
        return geoTransform[0] + (column + 0.5) * geoTransform[1] + (row + 0.5) * geoTransform[2];
    }
    double Y(double column, double row) const {
        return geoTransform[3] + (column + 0.5) * geoTransform[4] + (row + 0.5) * geoTransform[5];
    }
};

inline bool GdalToolsPresent() { return RunCommand("gdalinfo --version").status == 0; }

inline GdalReadBack ReadWithGdal(const std::string& image) {
    GdalReadBack result;
    const CommandResult info = RunCommand("gdalinfo -json " + Quoted(image));
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object();
    for (const QJsonValue term : json.value("geoTransform").toArray())
        result.geoTransform.push_back(term.toDouble());
    // gdalinfo's own default transform is no georeferencing.
    if (result.geoTransform == std::vector<double>{0, 1, 0, 0, 0, 1}) result.geoTransform.clear();
    const CommandResult srs = RunCommand("gdalsrsinfo -o epsg " + Quoted(image));
    if (srs.status == 0) {
        const std::size_t start = srs.out.find("EPSG:");
        if (start != std::string::npos)
            result.epsg = srs.out.substr(start, srs.out.find_first_of(" \r\n", start) - start);
    }
    return result;
}

#define SKIP_WITHOUT_GDAL() \
    if (!GdalToolsPresent()) GTEST_SKIP() << "gdalinfo is not installed"
