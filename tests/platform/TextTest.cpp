#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

std::u16string Units(std::initializer_list<char16_t> units) { return std::u16string(units); }

}  // namespace

TEST(Text, UnpairedSurrogatesSurviveTheLosslessPathAndBecomeReplacementsOtherwise) {
    const struct {
        std::u16string utf16;
        std::string wtf8;
        std::string utf8;
    } cases[] = {
        {Units({u'a', 0xD800, u'b'}), "a\xED\xA0\x80" "b", "a\xEF\xBF\xBD" "b"},
        {Units({0xDFFF}), "\xED\xBF\xBF", "\xEF\xBF\xBD"},
        // A low surrogate before its high one pairs with nothing.
        {Units({0xDC00, 0xD800}), "\xED\xB0\x80\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {Units({0xD83C, 0xDFA8}), "\xF0\x9F\x8E\xA8", "\xF0\x9F\x8E\xA8"},  // a pair: plain UTF-8
        {u"写真.png", "写真.png", "写真.png"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.wtf8, platform::Utf16ToWtf8(c.utf16)) << c.utf8;
        EXPECT_EQ(c.utf16, platform::Wtf8ToUtf16(c.wtf8)) << c.utf8;
        EXPECT_EQ(c.utf8, platform::Utf16ToUtf8(c.utf16)) << c.utf8;
    }
    // Only the lossless path reads an encoded surrogate; everything else malformed stays so.
    EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD", platform::Utf8ToUtf16("\xED\xA0\x80"));
    EXPECT_EQ(u"\uFFFD\uFFFDa", platform::Wtf8ToUtf16("\xC0\xAF" "a"));  // an overlong '/'
    EXPECT_EQ(u"\uFFFD\uFFFD", platform::Wtf8ToUtf16("\xED\xA0"));      // cut short
}
