// The evidence of a verdict as the console tool shows it (`--explain`): one line of words, or
// one JSON object. The limits shown are those of the parameters that decided.
#pragma once

#include <string>

#include "cli/JsonText.h"
#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"

// "grayscale-only: step 1, 1000 samples, 9 not gray (0 %, NOISE_LIMIT_GS 0.5), ..."
std::string ExplainInWords(const JudgeEvidence& evidence, const JudgeParams& params);

// {"rule":"grayscale-only","step":1,"samples":1000,"not_gray":9,...}
JsonObject ExplainAsJson(const JudgeEvidence& evidence, const JudgeParams& params);
