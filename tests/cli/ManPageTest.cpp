#include "cli/ManPage.h"

#include <gtest/gtest.h>

#include "cli/FileProblem.h"
#include "cli/HelpText.h"
#include "settings/Settings.h"

namespace {

TEST(ManPage, TurnsTheHelpsLayoutIntoSectionsAndTaggedParagraphs) {
    const std::string help =
        "usage: tool one [-x] PATH...\n"
        "       tool --help\n"
        "\n"
        "Does a thing.\n"
        "\n"
        "options:\n"
        "  -x, --ex     the first line\n"
        "               and its continuation\n"
        "  --very-long-option-name\n"
        "               said on the next line\n"
        ".dots and 'quotes at the margin, C:\\path\n"
        "\n"
        "exit status:\n"
        "  0          fine\n";
    EXPECT_EQ(
        ".TH PALLIDOR\\-CLI 1 \"\" \"pallidor\\-cli 9.8\" \"User Commands\"\n"
        ".SH NAME\npallidor\\-cli \\- sort image files into monochrome and colour\n"
        ".SH SYNOPSIS\n.nf\n"
        "\\fBtool\\fR one [\\-x] PATH...\n"
        "\\fBtool\\fR \\-\\-help\n"
        ".fi\n"
        ".SH DESCRIPTION\nDoes a thing.\n"
        ".SH OPTIONS\n"
        ".TP\n\\fB\\-x, \\-\\-ex\\fR\nthe first line\nand its continuation\n"
        ".TP\n\\fB\\-\\-very\\-long\\-option\\-name\\fR\nsaid on the next line\n"
        ".PP\n\\&.dots and 'quotes at the margin, C:\\epath\n"
        ".SH EXIT STATUS\n"
        ".TP\n\\fB0\\fR\nfine\n",
        ManPageFromHelp(help, "9.8"));
}

TEST(ManPage, OfTheRealHelpHasEverySectionAndEveryCommand) {
    const std::string page = ManPageFromHelp(HelpText(), "1.0.0");
    for (const char* section : {"COMMANDS", "OPTIONS", "FILES", "EXIT STATUS"}) {
        EXPECT_NE(std::string::npos, page.find(std::string("\n.SH ") + section + "\n")) << section;
    }
    for (const char* section : {"SETTINGS KEYS", "ERROR CODES", "ENVIRONMENT"}) {
        EXPECT_NE(std::string::npos, page.find(std::string("\n.SH ") + section + "\n")) << section;
    }
    // Every key from the key table, with its section; every code.
    for (const SettingDescription& key : DescribeSettings()) {
        EXPECT_NE(std::string::npos, page.find(std::string(".TP\n\\fB") + key.name + "\\fR\n[" + key.section + "]"))
            << key.name;
    }
    for (std::size_t i = 0; i < kProblemCodeCount; ++i) {
        std::string code;
        for (const char* c = kProblemCodes[i].code; *c != '\0'; ++c) code += *c == '-' ? std::string("\\-") : std::string(1, *c);
        EXPECT_NE(std::string::npos, page.find(".TP\n\\fB" + code + "\\fR\n")) << kProblemCodes[i].code;
    }
    for (const char* command : {"judge", "sort", "undo", "recover", "logs", "settings"}) {
        EXPECT_NE(std::string::npos, page.find(std::string("\\fBpallidor\\-cli\\fR ") + command)) << command;
        EXPECT_NE(std::string::npos, page.find(std::string(".TP\n\\fB") + command + "\\fR\n")) << command;
    }
}

}  // namespace
