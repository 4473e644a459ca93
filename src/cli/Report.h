// `--report FILE.html`: one page that shows a run's pictures, grouped by verdict, each colour
// verdict with the evidence that decided it drawn on its thumbnail. The page opens offline:
// its thumbnails are PNG files in FILE_files/ beside it, its style and script are inline.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"

struct ReportItem {
    std::string path;               // as the run reported it: the item's data-path
    std::filesystem::path picture;  // where the picture is now, for its thumbnail
    bool judged = false;
    int verdict = 0;                // 1 monochrome, 0 colour, when judged
    std::string error;              // why it was not judged, or (sort) why it stayed
    std::string destination;        // sort: where it went
    JudgeEvidence evidence;
};

struct ReportSummary {
    std::string command;  // "judge" or "sort"
    std::vector<std::pair<std::string, std::string>> settings;
    JudgeParams params;
    double seconds = 0.0;
    std::string logPath;  // sort: the run's log, "" when there is none
};

// The size of a thumbnail made for an item: its picture's size and the thumbnail's; zero
// widths when the picture could not be shown.
struct ReportPicture {
    std::string source;  // the thumbnail's address relative to the page, "" for none
    int pictureWidth = 0, pictureHeight = 0;
    int width = 0, height = 0;
};

// The page's text, given each item's thumbnail (pictures[i] for items[i]).
std::string ReportPage(const ReportSummary& summary, const std::vector<ReportItem>& items,
                       const std::vector<ReportPicture>& pictures);

// Makes the thumbnails in FILE_files/ and writes the page. "" on success, else what failed.
std::string WriteReport(const std::filesystem::path& file, const ReportSummary& summary,
                        const std::vector<ReportItem>& items);
