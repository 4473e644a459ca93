#include "cli/ManPage.h"

#include <sstream>
#include <vector>

namespace {

// Text for roff: a backslash is its escape character and a hyphen may be set as a dash, so both
// are spelt out; a line starting with '.' or '\'' would be taken for a request.
std::string RoffText(const std::string& text) {
    std::string out;
    if (!text.empty() && (text[0] == '.' || text[0] == '\'')) out += "\\&";
    for (const char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::size_t Indent(const std::string& line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

}  // namespace

std::string ManPageFromHelp(const std::string& help, const std::string& version) {
    std::vector<std::string> lines;
    std::istringstream stream(help);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);

    std::string page = ".TH PALLIDOR\\-CLI 1 \"\" \"pallidor\\-cli " + RoffText(version) + "\" \"User Commands\"\n";
    page += ".SH NAME\npallidor\\-cli \\- sort image files into monochrome and colour\n";
    page += ".SH SYNOPSIS\n.nf\n";
    std::size_t i = 0;
    const std::string usage = "usage: ";
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        std::string line = lines[i].substr(Indent(lines[i]));
        if (line.compare(0, usage.size(), usage) == 0) line.erase(0, usage.size());
        const std::size_t blank = line.find(' ');
        const std::string program = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank);
        page += "\\fB" + RoffText(program) + "\\fR" + RoffText(rest) + "\n";
    }
    page += ".fi\n";

    enum class Open { Nothing, Paragraph, Item };  // what the previous line belongs to
    Open open = Open::Nothing;
    bool inSection = false;
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t indent = Indent(line);
        if (indent == line.size()) {
            open = Open::Nothing;
            continue;
        }
        const std::string text = line.substr(indent);
        if (indent == 0 && text.back() == ':') {
            page += ".SH " + RoffText(Upper(text.substr(0, text.size() - 1))) + "\n";
            inSection = true;
            open = Open::Nothing;
        } else if (indent == 0) {
            if (!inSection) {
                page += ".SH DESCRIPTION\n";
                inSection = true;
            } else if (open != Open::Paragraph) {
                page += ".PP\n";
            }
            page += RoffText(text) + "\n";
            open = Open::Paragraph;
        } else if (indent == 2 || open == Open::Nothing) {
            const std::size_t gap = text.find("  ");
            page += ".TP\n\\fB" + RoffText(text.substr(0, gap)) + "\\fR\n";
            if (gap != std::string::npos) page += RoffText(text.substr(text.find_first_not_of(' ', gap))) + "\n";
            open = Open::Item;
        } else {
            page += RoffText(text) + "\n";
        }
    }
    return page;
}
