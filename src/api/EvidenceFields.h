// The evidence of a verdict as named values, in the order the console tool writes them: the
// one list behind the library's evidence and `pallidor-cli judge --json --explain`.
#pragma once

#include <vector>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"
#include "pallidor/Judge.h"

// The rule's name as words ("colour table") and as one word for scripts ("colour-table").
const char* DecidingRuleName(DecidingRule rule);

// The tinted criterion's share of falls among all steps, in percent; -1 without steps.
double FallPercent(const JudgeEvidence& evidence);
// The share of narrow channel values; -1 without any filled value.
double NarrowShare(const JudgeEvidence& evidence);

// {"rule", "grayscale-only"}, {"step", 1}, {"samples", 1000}, ... The limits listed are those
// of the parameters that decided.
std::vector<pallidor::EvidenceField> EvidenceFields(const JudgeEvidence& evidence, const JudgeParams& params);
