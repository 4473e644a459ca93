// Calibration's view of one file.
#pragma once

#include <filesystem>
#include <string>

#include "judge/CalibrationEvidence.h"
#include "judge/JudgeParams.h"

// Decodes the file by its extension and fills `evidence` (the sampling of the channel
// criteria from `params`). False, with a short reason in errorText, when it cannot be judged.
bool GatherFileEvidence(const std::filesystem::path& path, const JudgeParams& params,
                        CalibrationEvidence& evidence, std::string& errorText);
