// The upper-case table the console's name comparison goes through.

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "converter/letter_case.h"

namespace quill::test {
namespace {

TEST(LetterCase, JapaneseAndCapitalsStayAsTheyAre) {
    // Kana, kanji, full-width forms and the punctuation of paths: a Japanese
    // name must never match a different one.
    for (std::uint32_t c = 0x3000; c <= 0x9FFF; ++c) {
        const auto letter = static_cast<char16_t>(c);
        ASSERT_EQ(upperCase(letter), letter) << std::hex << c;
    }
    for (char16_t c : u"ＡＺ０９｡ｱﾝ\\:%. _-ABCZ09ǄΣДＶ")
        EXPECT_EQ(upperCase(c), c) << std::hex << int{c};
}

TEST(LetterCase, EveryRunEndAndStep) {
    // The first and last letter of runs, letters between pairs, and the
    // characters just outside a run.
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'},     {u'z', u'Z'},     {u'`', u'`'},     {u'{', u'{'},
        {0xE0, 0xC0},     {0xF7, 0xF7},     {0xFE, 0xDE},     {0xFF, 0x178},
        {0x101, 0x100},   {0x102, 0x102},   {0x12F, 0x12E},   {0x130, 0x130},
        {0x17F, u'S'},    {0x3C2, 0x3A3},   {0x1C6, 0x1C4},   {0x1C5, 0x1C4},
        {0xFF41, 0xFF21}, {0xFF5A, 0xFF3A}, {0xFF5B, 0xFF5B}, {0xAB70, 0x13A0},
        {0xABBF, 0x13EF}, {0xFFFF, 0xFFFF}, {0x0000, 0x0000}, {0xD801, 0xD801},
        {0xDC28, 0xDC28},                                      // surrogates are left alone
        {0x1F80, 0x1F88}, {0x1FB3, 0x1FBC}, {0x1FF3, 0x1FFC},  // one letter, not two (ΑΙ)
        {0xDF, 0xDF},     {0x149, 0x149},                      // no single letter: left alone
    };
    for (const auto& [lower, upper] : cases) {
        EXPECT_EQ(upperCase(lower), upper) << std::hex << int{lower};
    }
}

TEST(LetterCase, AnUpperCaseLetterIsItsOwn) {
    for (std::uint32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t upper = upperCase(static_cast<char16_t>(c));
        ASSERT_EQ(upperCase(upper), upper) << std::hex << c;
    }
}

}  // namespace
}  // namespace quill::test
