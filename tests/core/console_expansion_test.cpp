// Which typed lines the console would change by expanding variables.

#include <gtest/gtest.h>

#include "converter/console_expansion.h"
#include "fake_platform.h"

namespace quill::test {
namespace {

class ConsoleExpansion : public ::testing::Test {
protected:
    // The environment names as the platform lists them: any letter case, a
    // drive folder of its own, a name with a space, non-ASCII letters.
    ConsoleVariables variables{{u"OS", u"Path", u"windir", u"=C:", u"_", u"my var", u"ÄPFEL",
                                u"ПУТЬ", u"ＶＡＲ", u"ŁÓDŹ", u"ΔΕΛΤΑ", u"ΆΛΦΑ", u"ՀԱՅ", u"ǅ", u"ⅫⒶ",
                                u"ΜΟΝ", u"a:b"}};

    [[nodiscard]] bool changes(std::u16string_view path) const {
        return consoleWouldChange(
            u"\"C:\\Tools\\xdoc2txt\" -f \"" + std::u16string(path) + u"\"\r\n", variables);
    }
};

TEST_F(ConsoleExpansion, PathsTheConsoleLeavesAlone) {
    for (const char16_t* path : {
             u"D:\\plain\\report.doc",
             u"D:\\50% off.doc",        // a lone %
             u"D:\\100%\\50%.doc",      // two %s naming "\50", which is not set
             u"D:\\%NOSUCH%.doc",       // a pair naming no set variable
             u"D:\\%%.doc",             // an empty name
             u"D:\\%% OS %%.doc",       // " OS " is not OS
             u"D:\\%NOSUCH:~0,1%.doc",  // a substring of an unset variable
             u"D:\\%NOSUCH:OS=x%.doc",  // a replacement in an unset variable
             u"D:\\%:~0,1%.doc",        // no name before the colon
             u"D:\\%OS",                // no closing %
             u"D:\\x%NOSUCH%y%OS.doc",  // pairs "NOSUCH" and "y", then a lone %
             u"D:\\%1 %* %~dp0.doc",    // no batch arguments at the prompt
             u"D:\\a & b ^ c (d) !OS! ;=,.doc",
             u"D:\\会議 資料\\％OS％.doc",  // full-width percent signs are letters
             u"D:\\%=D%.doc",               // not a drive folder name
             u"D:\\%my_var%.doc",
         }) {
        EXPECT_FALSE(changes(path)) << utf8(path);
    }
}

TEST_F(ConsoleExpansion, SetNamesInAnyCase) {
    for (const char16_t* path : {
             u"D:\\%OS%.doc",        u"D:\\%os%.doc", u"D:\\%oS%.doc",     u"D:\\%PATH%.doc",
             u"D:\\%WinDir%\\a.doc", u"D:\\%_%.doc",  u"D:\\%my var%.doc", u"D:\\%MY VAR%.doc",
             u"D:\\%äpfel%.doc",   // Latin-1
             u"D:\\%путь%.doc",    // Cyrillic
             u"D:\\%ｖａｒ%.doc",  // full-width Latin
             u"D:\\%łódź%.doc",    // Latin Extended-A
             u"D:\\%δελτα%.doc",   // Greek
             u"D:\\%άλφα%.doc",    // Greek with accents
             u"D:\\%հայ%.doc",     // Armenian
             u"D:\\%ǆ%.doc",       // a Latin digraph
             u"D:\\%ⅻⓐ%.doc",      // Roman numerals and circled letters
             u"D:\\%µον%.doc",     // the micro sign is a mu
             u"D:\\%A:B%.doc",     // a name with a ":", named whole
             u"D:\\%=c:%.doc",     // the environment's drive folder
         }) {
        EXPECT_TRUE(changes(path)) << utf8(path);
    }
}

TEST_F(ConsoleExpansion, NamesTheConsoleProvidesItself) {
    for (const char16_t* path : {
             u"%CD%",
             u"%cd%",
             u"%DATE%",
             u"%time%",
             u"%RANDOM%",
             u"%ErrorLevel%",
             u"%CMDEXTVERSION%",
             u"%CMDCMDLINE%",
             u"%HIGHESTNUMANODENUMBER%",
             u"%FIRMWARE_TYPE%",
             u"%__CD__%",
             u"%__APPDIR__%",
             u"%=ExitCode%",
             u"%=EXITCODEASCII%",
             u"%PROMPT%",
             u"%ComSpec%",
             u"%=D:%",
             u"%=z:%",
         }) {
        EXPECT_TRUE(changes(std::u16string(u"D:\\") + path + u".doc")) << utf8(path);
    }
    // Only these: an empty environment still expands them, nothing else.
    const ConsoleVariables bare({});
    EXPECT_TRUE(consoleWouldChange(u"D:\\%Random%.doc", bare));
    EXPECT_FALSE(consoleWouldChange(u"D:\\%OS%.doc", bare));
    EXPECT_FALSE(consoleWouldChange(u"D:\\%=%.doc", bare));
}

TEST_F(ConsoleExpansion, SubstringsAndReplacementsOfSetNames) {
    for (const char16_t* path : {
             u"D:\\%OS:~0,3%.doc", u"D:\\%os:~-2%.doc", u"D:\\%OS:Windows=Linux%.doc",
             u"D:\\%OS:*_=%.doc", u"D:\\%OS:%.doc", u"D:\\%OS:~x%.doc", u"D:\\%CD:~0,2%.doc",
             u"D:\\%path:a=b:c%.doc",  // only the first colon counts
         }) {
        EXPECT_TRUE(changes(path)) << utf8(path);
    }
}

TEST_F(ConsoleExpansion, AClosingPercentOpensTheNextPair) {
    // "%X%" names nothing set, so its closing % opens "%OS%".
    EXPECT_TRUE(changes(u"D:\\%X%OS%.doc"));
    EXPECT_TRUE(changes(u"D:\\%NOSUCH%OS%.doc"));
    EXPECT_TRUE(changes(u"D:\\%%OS%%.doc"));  // "" then "OS"
    EXPECT_TRUE(changes(u"D:\\%a %OS% c%.doc"));
    // The whole line counts: the program's folder too, and a % there pairs
    // with the first one of the source.
    EXPECT_TRUE(consoleWouldChange(u"\"C:\\%OS%\\xdoc2txt\" -f \"D:\\a.doc\"", variables));
    EXPECT_FALSE(consoleWouldChange(u"\"C:\\100%\\xdoc2txt\" -f \"D:\\50%.doc\"", variables));
    EXPECT_FALSE(consoleWouldChange(u"\"C:\\100%\\xdoc2txt\" -f \"D:\\%.doc\"", variables));
}

}  // namespace
}  // namespace quill::test
