#include "cli/JsonText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Text.h"

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = platform::DecodeUtf8(text, i, cp);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        const char c = text[i++];
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += FormatText("\\u%04x", static_cast<unsigned>(c));
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string HexBytes(const std::string& text) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
    }
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    for (int precision = 1; precision < 17; ++precision) {
        const std::string text = FormatText("%.*g", precision, value);
        if (std::strtod(text.c_str(), nullptr) == value) return text;
    }
    return FormatText("%.17g", value);
}

JsonObject& JsonObject::Raw(const char* key, const std::string& value) {
    if (!members_.empty()) members_ += ',';
    members_ += JsonString(key);
    members_ += ':';
    members_ += value;
    return *this;
}

JsonObject& JsonObject::Add(const char* key, const std::string& text) { return Raw(key, JsonString(text)); }
JsonObject& JsonObject::Add(const char* key, std::int64_t number) {
    return Raw(key, FormatText("%lld", static_cast<long long>(number)));
}
JsonObject& JsonObject::Add(const char* key, std::uint64_t number) {
    return Raw(key, FormatText("%llu", static_cast<unsigned long long>(number)));
}
JsonObject& JsonObject::Add(const char* key, double number) { return Raw(key, JsonNumber(number)); }
JsonObject& JsonObject::AddBool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
JsonObject& JsonObject::AddNull(const char* key) { return Raw(key, "null"); }
JsonObject& JsonObject::AddObject(const char* key, const JsonObject& object) { return Raw(key, object.Text()); }

JsonObject& JsonObject::AddStrings(const char* key, const std::vector<std::string>& texts) {
    std::string list = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) list += (i == 0 ? "" : ",") + JsonString(texts[i]);
    return Raw(key, list + "]");
}

JsonObject& JsonObject::AddPath(const char* key, const std::string& path) {
    Add(key, path);
    if (!platform::IsValidUtf8(path)) Raw((std::string(key) + "_bytes").c_str(), JsonString(HexBytes(path)));
    return *this;
}
