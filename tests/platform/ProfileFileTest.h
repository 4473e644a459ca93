// A settings file of its own per test, in a fresh temporary folder, read and written as bytes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ImageFiles.h"

class ProfileFileTest : public ::testing::Test {
protected:
    void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string Read() { return Read(file); }
    static std::string Read(const std::filesystem::path& path) {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    testimages::TempFolder temp;
    std::filesystem::path folder = temp.Path();
    std::filesystem::path file = folder / "test.ini";
};
