#pragma once
// Heights for the map viewer from one grid of signed 16-bit samples in metres, rows north to
// south, each row west to east. The layout is recognised from the file's size and two probe
// samples, never from its name:
//   1  4321 x 2160, little-endian, 5' cells, column 0 at Greenwich (the 4321st column unused)
//   2  4320 x 2160, big-endian, 5' cells, column 0 at 180 W
//   3  4320 x 2160, big-endian, 5' cells, column 0 at Greenwich
//   4  10800 x 6336, big-endian, 2' columns from Greenwich, rows of 2' of Mercator ordinate
//      with row 0 at ordinate 6336' (about 72 N)
//   0  no topography (nothing found, or a file that is not one of the above)
// Latitudes and longitudes are whole arc-minutes, north and east positive. Lookups never read
// outside the mapping: a grid that is shorter when mapped than when recognised is not used.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MappedFile.h"

inline const std::array<std::string, 4> TopoFiles = {"etopo5.elev", "etopo5.dat", "etopo5",
                                                     "topo_8.2.img"};

// The Mercator ordinate of a latitude, in whole minutes (halves to even).
int MercatorMinutes(int latitudeMinutes);

// The layout code of a grid file; 0 when it cannot be opened, read or recognised.
std::uint8_t RecogniseTopoLayout(const std::string& path);

class TTopography {
public:
    // Tries each name in every folder (names first, then folders) and stops at the first file
    // found, whatever it holds. True when a file was found at all.
    bool Find(const std::vector<std::string>& searchFolders);

    // Releases any previous view and maps TopoFileName afresh. False (and nothing mapped) when
    // the file cannot be mapped or no longer holds the whole grid of its layout.
    bool Map();
    void Release() { view_.reset(); }
    bool Mapped() const { return view_.has_value(); }

    // The sample index where the grid row for a latitude starts, or none (layout 4 beyond its
    // rows). Latitudes at or south of the south pole, or north of the north pole, read row 0.
    std::optional<std::size_t> TopoRow(int latitudeMinutes) const;
    // The height at a longitude in a row from TopoRow; none outside the world or the mapping.
    std::optional<std::int16_t> TopoSample(std::size_t rowStart, int longitudeMinutes) const;

    std::string TopoFileName;
    std::uint8_t TopoLayout = 0;

private:
    std::optional<MappedFile> view_;
};
