// Decoding text outputs: a broken double-byte character swallows nothing.

#include "html/ansi_decoding.h"

#include <gtest/gtest.h>

#include <random>

#include "ansi_reference.h"
#include "fake_platform.h"

namespace quill::test {
namespace {

std::u16string decoded(FakePlatform& platform, std::string_view bytes) {
    std::u16string text = u"previous text";
    decodeAnsiText(platform, bytes, text);
    return text;
}

// Every byte that can follow a lead byte without trailing it: the controls
// (NUL, tab, line breaks), space, digits, the ASCII punctuation below 0x40
// and DEL.
const unsigned kNonTrails[] = {0x00, 0x09, 0x0A, 0x0D, 0x1A, 0x20, 0x22,
                               0x26, 0x30, 0x39, 0x3C, 0x3E, 0x3F, 0x7F};

TEST(AnsiDecoding, LeadBytesOfShiftJisAreThoseOfWindows) {
    FakePlatform platform(932);
    LeadBytes expected;
    for (unsigned b = 0x81; b <= 0x9F; ++b) expected.set(b);
    for (unsigned b = 0xE0; b <= 0xFC; ++b) expected.set(b);
    EXPECT_EQ(platform.ansiLeadBytes(), expected);
    EXPECT_TRUE(FakePlatform(1252).ansiLeadBytes().none());
}

TEST(AnsiDecoding, ShiftJisTable) {
    FakePlatform platform(932);
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        // A broken lead byte keeps the byte after it.
        {"a\x81<b", u"a\uFFFD<b"},
        {"x\x82\ny", u"x\uFFFD\ny"},
        {"abc\x81 def", u"abc\uFFFD def"},
        {"\x9F\r\n\xE0\t\xFC&", u"\uFFFD\r\n\uFFFD\t\uFFFD&"},
        {std::string("\x85\0\x81\x7F", 4), std::u16string(u"\uFFFD\0\uFFFD\x7F", 4)},
        // At the end of the text.
        {"a\x81", u"a\uFFFD"},
        {"\xFC", u"\uFFFD"},
        {"\x82\xA0\x81", u"あ\uFFFD"},
        // A lead byte in trail place starts nothing: る (82 E9) before CR LF,
        // ＝ (81 81) before a broken lead.
        {"\x82\xE9\r\n", u"る\r\n"},
        {"\x81\x81\x81\n", u"＝\uFFFD\n"},
        {"\x81\x81\x81\x81\n", u"＝＝\n"},
        // Valid pairs, trail bytes 0x40, 0x5C, 0x7E, 0x80, 0xA0 and 0xFC.
        {"\x81\x40\x95\x5C\x81\x7E\x81\x80\x81\xA0\x81\xFC", u"\u3000表×÷□◯"},
        // No character: a trail from 0x80 up goes with its lead, an ASCII
        // trail stands alone.
        {"\x81\xFD|\x81\xFE|\x81\xFF|\x85\x80|\x85\x40", u"\uFFFD|\uFFFD|\uFFFD|\uFFFD|\uFFFD@"},
        // Bytes that start nothing.
        {"\x80\xA0\xFD\xFE\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decoded(platform, c.bytes), c.text) << testing::PrintToString(c.bytes);
    }
}

// For every lead byte of each double-byte code page, and each kind of byte
// that cannot trail it.
TEST(AnsiDecoding, EveryLeadByteOfEveryDoubleByteCodePage) {
    for (const std::uint32_t codePage : {932u, 936u, 949u, 950u}) {
        FakePlatform platform(codePage);
        const LeadBytes leads = platform.ansiLeadBytes();
        ASSERT_GE(leads.count(), 60u) << codePage;
        for (unsigned lead = 0; lead < 256; ++lead) {
            if (!leads.test(lead)) continue;
            for (const unsigned next : kNonTrails) {
                EXPECT_EQ(decoded(platform, std::string{'a', static_cast<char>(lead),
                                                        static_cast<char>(next), 'b'}),
                          u"a\uFFFD" + std::u16string(1, static_cast<char16_t>(next)) + u"b")
                    << codePage << " " << lead << " " << next;
            }
            EXPECT_EQ(decoded(platform, std::string{'a', static_cast<char>(lead)}), u"a\uFFFD")
                << codePage << " " << lead;
        }
    }
}

TEST(AnsiDecoding, SingleByteCodePageIsDecodedWhole) {
    FakePlatform platform(1252);
    EXPECT_EQ(decoded(platform, "caf\xe9\x81\n\x80"), u"café\uFFFD\n€");
}

// Random bytes, long and short, rich in lead bytes and in bytes that cannot
// trail them, against the rule written out byte by byte.
std::string randomBytes(std::mt19937& random, std::size_t size) {
    static const unsigned char pool[] = {'a',  ' ',  '\r', '\n', 0x00, 0x3F, 0x40, 0x5C, 0x7E,
                                         0x7F, 0x80, 0x81, 0x82, 0x85, 0x9F, 0xA0, 0xA4, 0xB1,
                                         0xE0, 0xE9, 0xEA, 0xFC, 0xFD, 0xFE, 0xFF};
    std::string bytes(size, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(random() % 4 == 0 ? random() % 256 : pool[random() % sizeof pool]);
    }
    return bytes;
}

TEST(AnsiDecoding, DecodesAsTheRuleByteByByte) {
    std::mt19937 random(932);
    for (const std::uint32_t codePage : {932u, 936u, 949u, 950u}) {
        FakePlatform platform(codePage);
        for (int round = 0; round < 300; ++round) {
            const std::size_t size = round < 250 ? random() % 300 : 1 + random() % 20000;
            const std::string bytes = randomBytes(random, size);
            ASSERT_EQ(decoded(platform, bytes), decodeByTheRule(bytes, platform.codePage()))
                << codePage << " " << testing::PrintToString(bytes);
        }
    }
}

// The search for broken lead bytes over lead bytes in one range, two, more,
// every byte, and bytes that could never trail, which are no lead bytes.
TEST(AnsiDecoding, FindsBrokenLeadBytesForAnyLeadBytes) {
    const auto range = [](LeadBytes leads, unsigned first, unsigned last) {
        for (unsigned b = first; b <= last; ++b) leads.set(b);
        return leads;
    };
    const std::vector<LeadBytes> leadSets = {
        range({}, 0x81, 0xFE),
        range(range({}, 0x81, 0x9F), 0xE0, 0xFC),
        range(range(range({}, 0x81, 0x84), 0x87, 0x9F), 0xE0, 0xEA),
        range({}, 0x00, 0xFF),
        range(range({}, 0x0A, 0x0A), 0x7F, 0x7F),
    };
    std::mt19937 random(64);
    for (const LeadBytes& leads : leadSets) {
        const AnsiDecoding decoding(leads);
        for (int round = 0; round < 400; ++round) {
            const std::string bytes = randomBytes(random, random() % 400);
            const std::size_t from = random() % (bytes.size() + 1);
            // The search starts where a character starts.
            std::size_t expected = firstBrokenLead(std::string_view(bytes).substr(from), leads);
            expected = expected == std::string_view::npos ? bytes.size() : from + expected;
            ASSERT_EQ(decoding.findBrokenLead(bytes, from), expected)
                << leads << " " << from << " " << testing::PrintToString(bytes);
        }
    }
}

// The runs handed on hold no broken lead byte, and together with the
// replacements make up the whole text.
TEST(AnsiDecoding, RunsHandedOnAreWholeCharacters) {
    LeadBytes leads;
    for (unsigned b = 0x81; b <= 0xFC; ++b) leads.set(b);
    const AnsiDecoding decoding(leads);
    const std::string bytes = "\x81\x81\x81\n\x82\xA0 \x9F\x40\xE0";
    std::vector<std::string> runs;
    std::u16string text = u"kept:";
    decoding.decode(bytes, text, [&](std::string_view run, std::u16string& out) {
        runs.emplace_back(run);
        out += u"[run]";
    });
    EXPECT_EQ(runs, (std::vector<std::string>{"\x81\x81", "\n\x82\xA0 \x9F\x40"}));
    EXPECT_EQ(text, u"kept:[run]\uFFFD[run]\uFFFD");
}

}  // namespace
}  // namespace quill::test
