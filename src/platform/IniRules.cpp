#include "platform/IniRules.h"

#include <climits>

namespace platform {

int ParseIniInt(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && IsIniBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > limit) magnitude = limit;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool IniNameIsWritable(const char* name) {
    const std::string text(name);
    if (text.empty() || IsIniBlank(text.front()) || IsIniBlank(text.back())) return false;
    return text.find_first_of("\r\n=[];") == std::string::npos;
}

bool IniValueIsWritable(const std::string& value) {
    return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string EncodeIniValue(const std::string& value) {
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    const bool blankEdge = !value.empty() && (IsIniBlank(value.front()) || IsIniBlank(value.back()));
    return quoted || blankEdge ? "\"" + value + "\"" : value;
}

}  // namespace platform
