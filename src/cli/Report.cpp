#include "cli/Report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "api/EvidenceFields.h"
#include "cli/Explanation.h"
#include "image/Thumbnail.h"
#include "platform/Text.h"

namespace {

constexpr int kThumbnailSide = 256;

std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

// A relative address for a file name: every byte outside the unreserved set percent-encoded,
// so that a space, '#' or '?' in the report's name cannot cut the address short.
std::string AddressOf(const std::string& name) {
    std::string out;
    for (const unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~' || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += FormatText("%%%02X", c);
        }
    }
    return out;
}

unsigned long long Count(std::size_t n) { return n; }

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* VerdictOf(const ReportItem& item) {
    if (!item.judged) return "error";
    return item.verdict != 0 ? "monochrome" : "color";
}

// A percentage of the picture's side, for boxes drawn over a thumbnail of any size.
std::string Percent(double part, double whole) { return FormatText("%.3f%%", whole > 0 ? 100.0 * part / whole : 0.0); }

std::string Box(const char* kind, int x, int y, int width, int height, double pictureWidth, double pictureHeight) {
    return FormatText("<div class=\"%s\" data-region=\"%d,%d,%d,%d\" style=\"left:%s;top:%s;width:%s;height:%s\"></div>",
                      kind, x, y, width, height, Percent(x, pictureWidth).c_str(), Percent(y, pictureHeight).c_str(),
                      Percent(width, pictureWidth).c_str(), Percent(height, pictureHeight).c_str());
}

// What decided a colour verdict, drawn over the thumbnail: the largest coloured region, the
// first samples that were not gray, or the channel that left the envelope.
std::string EvidenceDrawing(const ReportItem& item, const ReportPicture& picture) {
    const JudgeEvidence& e = item.evidence;
    if (!item.judged || item.verdict != 0) return "";
    double w = picture.pictureWidth, h = picture.pictureHeight;
    if (w <= 0 || h <= 0) {
        w = static_cast<double>(e.cellsWide) * e.cellSide;
        h = static_cast<double>(e.cellsHigh) * e.cellSide;
    }
    switch (e.rule) {
        case DecidingRule::Perceptual:
            if (e.regionX < 0) return "";
            return Box("region", e.regionX, e.regionY, e.regionWidth, e.regionHeight, w, h);
        case DecidingRule::GrayscaleOnly: {
            std::string marks;
            for (int p = 0; p < e.notGrayPoints; ++p) marks += Box("point", e.notGrayX[p], e.notGrayY[p], 1, 1, w, h);
            return marks;
        }
        case DecidingRule::TintedMonochrome: {
            static const char* const kChannels[] = {"red", "green", "blue"};
            if (e.strayChannel < 0 || e.strayChannel > 2) return "";
            const char* name = kChannels[e.strayChannel];
            return FormatText("<div class=\"channel %s\" data-channel=\"%s\">%s left the envelope</div>", name, name, name);
        }
        default: return "";
    }
}

// The deciding rule in a few words, for the grid; the whole explanation goes in the title.
std::string RuleInWords(const ReportItem& item) {
    if (!item.judged) return item.error;
    const JudgeEvidence& e = item.evidence;
    std::string words = DecidingRuleName(e.rule);
    if (e.rule == DecidingRule::Perceptual && e.vividRegion > 0) {
        words += FormatText(": vivid marks of %lld px, below the area limit %lld", static_cast<long long>(e.vividRegion),
                            static_cast<long long>(e.areaLimit));
    } else if (e.rule == DecidingRule::Perceptual) {
        words += e.largestRegion > 0 ? FormatText(": region of %lld px (limit %lld)", static_cast<long long>(e.largestRegion),
                                                  static_cast<long long>(e.areaLimit))
                                     : std::string(e.toned ? ": toned, no coloured region" : ": no coloured region");
    } else if (e.rule == DecidingRule::GrayscaleOnly) {
        words += FormatText(": %llu of %llu samples not gray", static_cast<unsigned long long>(e.notGray),
                            static_cast<unsigned long long>(e.samples));
    } else if (e.rule == DecidingRule::Header || e.rule == DecidingRule::ColourTable) {
        words += FormatText(": %s", e.detail);
    }
    return words;
}

std::string ItemHtml(std::size_t index, const ReportItem& item, const ReportPicture& picture,
                     const JudgeParams& params) {
    std::string html = FormatText("<figure class=\"item\" id=\"item%llu\" data-path=\"%s\" data-verdict=\"%s\">",
                                  static_cast<unsigned long long>(index), Escape(item.path).c_str(), VerdictOf(item));
    html += "<div class=\"frame\">";
    if (!picture.source.empty()) {
        html += FormatText("<img loading=\"lazy\" decoding=\"async\" src=\"%s\" width=\"%d\" height=\"%d\" alt=\"\">",
                           Escape(picture.source).c_str(), picture.width, picture.height);
    } else {
        html += "<div class=\"none\">no picture</div>";
    }
    html += EvidenceDrawing(item, picture);
    html += "</div><figcaption>";
    html += FormatText("<b>%s</b>", Escape(FileName(item.path)).c_str());
    static const char* const kVerdictWords[] = {"colour", "monochrome", "error"};
    const std::string verdict = VerdictOf(item);
    html += FormatText("<span class=\"verdict\">%s</span>",
                       kVerdictWords[verdict == "color" ? 0 : verdict == "monochrome" ? 1 : 2]);
    const std::string explanation = item.judged ? ExplainInWords(item.evidence, params) : item.error;
    html += FormatText("<span class=\"rule\" title=\"%s\">%s</span>", Escape(explanation).c_str(),
                       Escape(RuleInWords(item)).c_str());
    if (!item.destination.empty()) {
        html += FormatText("<span class=\"destination\">%s %s</span>", item.error.empty() ? "moved to" : "stayed; was to go to",
                           Escape(item.destination).c_str());
    }
    if (item.judged && !item.error.empty()) html += FormatText("<span class=\"problem\">%s</span>", Escape(item.error).c_str());
    html += "</figcaption></figure>\n";
    return html;
}

constexpr const char* kStyle = R"(
body{font:14px sans-serif;margin:1em;background:#f4f4f4;color:#222}
table{border-collapse:collapse}td,th{padding:2px 8px;text-align:left;border-bottom:1px solid #ddd}
nav{position:sticky;top:0;background:#f4f4f4;padding:6px 0;z-index:2}
nav button{font:inherit;padding:4px 10px;margin-right:4px}nav button.on{background:#333;color:#fff}
.grid{display:flex;flex-wrap:wrap;gap:10px}
.item{margin:0;width:270px;background:#fff;border:1px solid #ccc;padding:6px;cursor:zoom-in;
content-visibility:auto;contain-intrinsic-size:270px 340px}
.item[hidden],section[hidden]{display:none}
.frame{position:relative;display:inline-block;line-height:0;max-width:256px}
.frame img{max-width:256px;height:auto}
.none{width:256px;height:96px;line-height:96px;text-align:center;background:#eee;color:#888}
.region{position:absolute;outline:2px solid #f0f;box-shadow:0 0 0 3px rgba(255,255,255,.8);min-width:4px;min-height:4px}
.point{position:absolute;width:8px;height:8px;margin:-4px 0 0 -4px;border:2px solid #f0f;border-radius:50%;
background:rgba(255,255,255,.5)}
.channel{position:absolute;left:0;right:0;bottom:0;line-height:1.6;font-size:12px;color:#fff;text-align:center}
.channel.red{background:rgba(200,0,0,.8)}.channel.green{background:rgba(0,140,0,.8)}.channel.blue{background:rgba(0,0,200,.8)}
figcaption span{display:block;color:#555;word-break:break-all}figcaption b{word-break:break-all}
[data-verdict=color] .verdict{color:#b00}[data-verdict=error] .verdict{color:#a60}
#viewer{position:fixed;inset:0;background:rgba(0,0,0,.85);display:flex;align-items:center;justify-content:center;z-index:3}
#viewer[hidden]{display:none}
#viewer .item{width:auto;max-width:90vw;cursor:zoom-out;contain-intrinsic-size:none}
#viewer .frame{max-width:none}#viewer .frame img{max-width:none;width:min(80vw,80vh);height:auto}
)";

// The filter follows the address's fragment (#filter=color), so a link or a test can choose
// it; a click on an item shows it large until the next click.
constexpr const char* kScript = R"(
(function(){
var kinds=['all','color','monochrome','error'];
function apply(){
  var m=/filter=(\w+)/.exec(location.hash),f=m&&kinds.indexOf(m[1])>=0?m[1]:'all';
  document.body.setAttribute('data-filter',f);
  document.querySelectorAll('section.verdict').forEach(function(s){s.hidden=f!=='all'&&s.getAttribute('data-verdict')!==f;});
  document.querySelectorAll('nav button').forEach(function(b){b.className=b.getAttribute('data-filter')===f?'on':'';});
}
document.querySelectorAll('nav button').forEach(function(b){
  b.addEventListener('click',function(){location.hash='filter='+b.getAttribute('data-filter');});});
window.addEventListener('hashchange',apply);apply();
var viewer=document.getElementById('viewer');
document.addEventListener('click',function(ev){
  if(!viewer.hidden){viewer.hidden=true;viewer.textContent='';return;}
  var item=ev.target.closest&&ev.target.closest('.grid .item');if(!item)return;
  var copy=item.cloneNode(true);copy.removeAttribute('id');
  var img=copy.querySelector('img');if(img)img.removeAttribute('loading');
  viewer.appendChild(copy);viewer.hidden=false;});
})();
)";

}  // namespace

std::string ReportPage(const ReportSummary& summary, const std::vector<ReportItem>& items,
                       const std::vector<ReportPicture>& pictures) {
    std::size_t colour = 0, monochrome = 0, errors = 0;
    for (const ReportItem& item : items) {
        const std::string verdict = VerdictOf(item);
        (verdict == "color" ? colour : verdict == "monochrome" ? monochrome : errors)++;
    }
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n";
    page += FormatText("<title>Pallidor %s report</title>\n<style>%s</style></head><body>\n", summary.command.c_str(), kStyle);
    page += FormatText("<h1>Pallidor %s: %llu files</h1>\n<section id=\"summary\"><table>\n", summary.command.c_str(),
                       Count(items.size()));
    page += FormatText("<tr><th>colour</th><td id=\"count-color\">%llu</td></tr>\n", Count(colour));
    page += FormatText("<tr><th>monochrome</th><td id=\"count-monochrome\">%llu</td></tr>\n", Count(monochrome));
    page += FormatText("<tr><th>errors</th><td id=\"count-error\">%llu</td></tr>\n", Count(errors));
    page += FormatText("<tr><th>time</th><td>%.2f s</td></tr>\n", summary.seconds);
    if (summary.command == "sort") {
        page += FormatText("<tr><th>log</th><td id=\"log\">%s</td></tr>\n",
                           summary.logPath.empty() ? "none" : Escape(summary.logPath).c_str());
    }
    page += "</table>\n<details><summary>settings in effect</summary><table>\n";
    for (const auto& [key, value] : summary.settings) {
        page += FormatText("<tr><th>%s</th><td>%s</td></tr>\n", Escape(key).c_str(), Escape(value).c_str());
    }
    page += "</table></details></section>\n<nav>";
    page += FormatText("<button data-filter=\"all\">all (%llu)</button><button data-filter=\"color\">colour (%llu)</button>"
                       "<button data-filter=\"monochrome\">monochrome (%llu)</button><button data-filter=\"error\">errors (%llu)</button>",
                       Count(items.size()), Count(colour), Count(monochrome), Count(errors));
    page += "</nav>\n";
    static const char* const kSections[][2] = {{"color", "Colour"}, {"monochrome", "Monochrome"}, {"error", "Errors"}};
    for (const auto& section : kSections) {
        page += FormatText("<section class=\"verdict\" data-verdict=\"%s\"><h2>%s</h2><div class=\"grid\">\n", section[0], section[1]);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (std::string(VerdictOf(items[i])) != section[0]) continue;
            page += ItemHtml(i, items[i], i < pictures.size() ? pictures[i] : ReportPicture{}, summary.params);
        }
        page += "</div></section>\n";
    }
    page += FormatText("<div id=\"viewer\" hidden></div>\n<script>%s</script>\n</body></html>\n", kScript);
    return page;
}

std::string WriteReport(const std::filesystem::path& file, const ReportSummary& summary,
                        const std::vector<ReportItem>& items) {
    const std::string folderName = platform::PathToUtf8(file.filename()) + "_files";
    std::filesystem::path folder = file;
    folder.replace_filename(platform::PathFromUtf8(folderName));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return FormatText("cannot create %s: %s", platform::PathToUtf8(folder).c_str(), error.message().c_str());

    std::vector<ReportPicture> pictures(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        Thumbnail thumbnail;
        std::string png;
        if (!MakeThumbnail(items[i].picture, kThumbnailSide, thumbnail) || !EncodeThumbnailPng(thumbnail, png)) continue;
        const std::string name = FormatText("%llu.png", Count(i));
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(png.data(), static_cast<std::streamsize>(png.size()));
        out.close();
        if (!out) return FormatText("cannot write %s", platform::PathToUtf8(folder / name).c_str());
        pictures[i] = ReportPicture{AddressOf(folderName + "/" + name), thumbnail.pictureWidth, thumbnail.pictureHeight,
                                    thumbnail.width, thumbnail.height};
    }
    const std::string page = ReportPage(summary, items, pictures);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
    out.close();
    if (!out) return FormatText("cannot write %s", platform::PathToUtf8(file).c_str());
    return "";
}
