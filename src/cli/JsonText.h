// JSON Lines output of the console tool: one object per line, always valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `text` as a JSON string literal, quotes included. Quotes, backslashes and control characters
// are escaped; other characters stay as their UTF-8 bytes. A byte that is not part of a
// well-formed UTF-8 sequence becomes U+FFFD, so the line stays valid UTF-8.
std::string JsonString(const std::string& text);

// The bytes of `text` as lowercase hexadecimal digits, two per byte.
std::string HexBytes(const std::string& text);

// A number as JSON writes it: the shortest decimal form that reads back as the same double;
// null for infinities and NaN, which JSON cannot express.
std::string JsonNumber(double value);

// Members added in order; Text() gives "{...}" without a line end.
class JsonObject {
public:
    JsonObject& Add(const char* key, const std::string& text);
    JsonObject& Add(const char* key, const char* text) { return Add(key, std::string(text)); }
    JsonObject& Add(const char* key, std::int64_t number);
    JsonObject& Add(const char* key, std::uint64_t number);
    JsonObject& Add(const char* key, int number) { return Add(key, std::int64_t{number}); }
    JsonObject& Add(const char* key, double number);
    JsonObject& AddBool(const char* key, bool value);
    JsonObject& AddNull(const char* key);
    JsonObject& AddObject(const char* key, const JsonObject& object);
    JsonObject& AddStrings(const char* key, const std::vector<std::string>& texts);
    // A file name: under `key` as text (U+FFFD for bytes that are no UTF-8), and when the name
    // is not well-formed UTF-8 its exact bytes in hexadecimal under `key` + "_bytes" as well.
    JsonObject& AddPath(const char* key, const std::string& path);

    std::string Text() const { return members_.empty() ? "{}" : "{" + members_ + "}"; }

private:
    JsonObject& Raw(const char* key, const std::string& value);
    std::string members_;
};
