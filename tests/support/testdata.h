// The shared test footage, found through FRAMEINTERP_TESTDATA_DIR.
#pragma once

#include <string>

namespace frameinterp::testing {

// The path of `relative` in the footage folder. When the folder is missing it
// throws, which fails the calling test with one message naming the folder.
std::string TestdataPath(const std::string& relative);

// Every clip and triplet of the footage, relative to its folder.
inline constexpr const char* kFootage[] = {
    "clips/CiscoVT2people_160x96_6fps.y4m",   "clips/CiscoVT2people_320x192_12fps.y4m",
    "clips/RTn23_80x44_15fps.y4m",            "clips/blue_sky_640x360_25fps_3f.y4m",
    "clips/cars_320x240_30fps.y4m",           "clips/park_joy_480x270_50fps_10f.y4m",
    "clips/park_joy_src01_576x324_50fps_3f.y4m", "clips/rapids_176x96_60f.y4m",
    "clips/sparks_480x270_5f.y4m",            "middlebury/Beanbags/Beanbags_triplet.y4m",
    "middlebury/Dimetrodon/Dimetrodon_triplet.y4m", "middlebury/DogDance/DogDance_triplet.y4m",
    "middlebury/Grove2/Grove2_triplet.y4m",   "middlebury/Grove3/Grove3_triplet.y4m",
    "middlebury/Hydrangea/Hydrangea_triplet.y4m", "middlebury/MiniCooper/MiniCooper_triplet.y4m",
    "middlebury/RubberWhale/RubberWhale_triplet.y4m", "middlebury/Urban2/Urban2_triplet.y4m",
    "middlebury/Urban3/Urban3_triplet.y4m",   "middlebury/Venus/Venus_triplet.y4m",
    "middlebury/Walking/Walking_triplet.y4m",
};

}  // namespace frameinterp::testing
