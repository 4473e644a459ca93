#pragma once

#include <filesystem>

// pallidor-cli calibrate: the settings of each criterion that agree best with a folder of
// monochrome and a folder of colour pictures; with `writeFile` not empty, the best of them are
// written into it. Exit status: 0 calibrated, 1 some pictures could not be judged, 2 a folder
// held no picture or the file could not be written.
int CalibrateCommand(const std::filesystem::path& monochromeFolder, const std::filesystem::path& colourFolder,
                     const std::filesystem::path& writeFile);
