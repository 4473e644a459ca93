// The console tool's JSON text: strings escaped exactly, always valid UTF-8, and names that are
// no UTF-8 kept recoverable.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "cli/JsonText.h"
#include "platform/Text.h"

TEST(JsonText, QuotesBackslashesAndControlCharactersAreEscaped) {
    EXPECT_EQ(R"("a\"b\\c")", JsonString("a\"b\\c"));
    EXPECT_EQ(R"("tab\tline\ncr\rbs\bff\f")", JsonString("tab\tline\ncr\rbs\bff\f"));
    EXPECT_EQ(R"("\u0001\u001f\u0000x")", JsonString(std::string("\x01\x1f\0x", 4)));
    // A slash and DEL need no escape.
    EXPECT_EQ("\"/a/\x7f\"", JsonString("/a/\x7f"));
}

TEST(JsonText, JapaneseAndOtherCharactersStayAsTheirBytes) {
    EXPECT_EQ("\"写真/【モノクロ】「a」.png\"", JsonString("写真/【モノクロ】「a」.png"));
    EXPECT_EQ("\"\xF0\x9F\x93\xB7 \xC3\xA9\"", JsonString("\xF0\x9F\x93\xB7 \xC3\xA9"));  // U+1F4F7, U+00E9
}

TEST(JsonText, EveryMalformedSequenceIsRejectedAndReplacedBytewise) {
    const char* const invalid[] = {
        "\x80",              // stray continuation byte
        "\xC3",              // sequence cut short at the end
        "\xC3(",             // lead byte without its continuation
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong '/', three bytes
        "\xED\xA0\x80",      // a surrogate (U+D800)
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF5\x80\x80\x80",  // lead byte beyond any code point
        "\xFF",
    };
    for (const char* text : invalid) {
        EXPECT_FALSE(platform::IsValidUtf8(text)) << JsonString(HexBytes(text));
    }
    EXPECT_TRUE(platform::IsValidUtf8(""));
    EXPECT_TRUE(platform::IsValidUtf8("\xEF\xBF\xBD\xF4\x8F\xBF\xBF\xED\x9F\xBF"));  // U+FFFD, U+10FFFF, U+D7FF

    // Each byte that belongs to no well-formed sequence becomes one U+FFFD; what follows it
    // is read afresh.
    EXPECT_EQ("\"a\xEF\xBF\xBD\xEF\xBF\xBD\xC3\xA9\"", JsonString("a\xC0\xAF\xC3\xA9"));
    EXPECT_TRUE(platform::IsValidUtf8(JsonString("\xFF\xFE\xED\xA0\x80 \xC3")));
}

TEST(JsonText, APathThatIsNoUtf8AlsoCarriesItsBytes) {
    JsonObject valid;
    valid.AddPath("path", "/写真/a.png");
    EXPECT_EQ("{\"path\":\"/写真/a.png\"}", valid.Text());

    JsonObject latin1;
    latin1.AddPath("path", "/caf\xE9.png");
    EXPECT_EQ("{\"path\":\"/caf\xEF\xBF\xBD.png\",\"path_bytes\":\"2f636166e92e706e67\"}", latin1.Text());
}

TEST(JsonText, NumbersReadBackExactlyAndNonFiniteOnesAreNull) {
    EXPECT_EQ("1", JsonNumber(1.0));
    EXPECT_EQ("0.5", JsonNumber(0.5));
    EXPECT_EQ("8", JsonNumber(8.0));
    EXPECT_EQ("0.1", JsonNumber(0.1));
    EXPECT_EQ(2.449489742783178, std::strtod(JsonNumber(2.449489742783178).c_str(), nullptr));
    EXPECT_EQ("null", JsonNumber(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ("null", JsonNumber(std::numeric_limits<double>::infinity()));

    JsonObject object;
    object.Add("n", std::uint64_t{18446744073709551615u}).Add("m", std::int64_t{-3}).AddBool("b", false).AddNull("z");
    EXPECT_EQ(R"({"n":18446744073709551615,"m":-3,"b":false,"z":null})", object.Text());
}
