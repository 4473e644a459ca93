#include "platform/Text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

namespace platform {

std::size_t DecodeUtf8(const std::string& text, std::size_t at, char32_t& codePoint) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte, which rules out overlong
    unsigned char high = 0xBF; // forms, surrogates and code points above U+10FFFF
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    char32_t cp = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) return 0;
        cp = (cp << 6) | (byte(at + k) & 0x3F);
    }
    codePoint = cp;
    return length;
}

bool IsValidUtf8(const std::string& text) {
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

namespace {

// A surrogate's three bytes as Utf16ToWtf8 writes them: ED, A0 to BF, a continuation byte.
bool IsEncodedSurrogate(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    return at + 3 <= text.size() && byte(at) == 0xED && byte(at + 1) >= 0xA0 && byte(at + 1) <= 0xBF &&
           byte(at + 2) >= 0x80 && byte(at + 2) <= 0xBF;
}

std::u16string DecodeToUtf16(const std::string& text, bool keepEncodedSurrogates) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(text, i, cp);
        if (length == 0 && keepEncodedSurrogates && IsEncodedSurrogate(text, i)) {
            out.push_back(static_cast<char16_t>(0xD000 | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F)));
            i += 3;
            continue;
        }
        if (length == 0) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(const std::string& text) { return DecodeToUtf16(text, false); }

std::u16string Wtf8ToUtf16(const std::string& text) { return DecodeToUtf16(text, true); }

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool StartsWithIgnoringAsciiCase(const std::string& text, std::size_t at, const char* word) {
    for (std::size_t k = 0; word[k] != '\0'; ++k) {
        if (at + k >= text.size() || LowerAscii(text[at + k]) != LowerAscii(word[k])) return false;
    }
    return true;
}

bool EqualsIgnoringAsciiCase(const std::string& text, const char* word) {
    return std::strlen(word) == text.size() && StartsWithIgnoringAsciiCase(text, 0, word);
}

namespace {

std::string EncodeUtf16(const std::u16string& text, bool keepUnpairedSurrogates) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF && !keepUnpairedSurrogates) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace

std::string Utf16ToUtf8(const std::u16string& text) { return EncodeUtf16(text, false); }

std::string Utf16ToWtf8(const std::u16string& text) { return EncodeUtf16(text, true); }

}  // namespace platform
