#include <gtest/gtest.h>

#include "reader_chain.h"

namespace xdoc2txt {
namespace {

Reader fake(std::string name, ReadResult result, int* calls) {
    return {std::move(name), [result, calls] {
                ++*calls;
                return result;
            }};
}

TEST(ReaderChain, TheFirstVisibleTextWins) {
    int first = 0, second = 0, third = 0;
    const ChainResult chain = readFirst({
        fake("antiword", ReadResult::failed("antiword exited with status 1"), &first),
        fake("LibreOffice", ReadResult::of("\xEF\xBB\xBFtext\n"), &second),
        fake("never", ReadResult::of("other"), &third),
    });
    ASSERT_TRUE(chain.text);
    EXPECT_EQ(*chain.text, "\xEF\xBB\xBFtext\n");
    EXPECT_EQ(first + second + third, 2);
    EXPECT_TRUE(chain.anyInstalled);
}

TEST(ReaderChain, EmptyOutputIsAFailure) {
    int calls = 0;
    const ChainResult chain = readFirst({
        fake("catsomething", ReadResult::of(""), &calls),
        fake("blank", ReadResult::of(" \n\f\xEF\xBB\xBF"), &calls),
        fake("last", ReadResult::of("x"), &calls),
    });
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(chain.text, "x");

    const ChainResult none =
        readFirst({fake("a", ReadResult::of("\n"), &calls),
                   fake("b", ReadResult::failed("b timed out after 1 s"), &calls)});
    EXPECT_FALSE(none.text);
    EXPECT_TRUE(none.anyInstalled);
    EXPECT_EQ(none.reasons, "a found no text; b timed out after 1 s");
}

TEST(ReaderChain, NothingInstalledIsToldApart) {
    int calls = 0;
    const ChainResult chain = readFirst({
        fake("pdftotext", ReadResult::missing("pdftotext is not installed (poppler-utils)"),
             &calls),
        fake("LibreOffice", ReadResult::missing("LibreOffice is not installed"), &calls),
    });
    EXPECT_FALSE(chain.text);
    EXPECT_FALSE(chain.anyInstalled);
    EXPECT_EQ(chain.reasons,
              "pdftotext is not installed (poppler-utils); LibreOffice is not installed");
    EXPECT_FALSE(readFirst({}).anyInstalled);
}

}  // namespace
}  // namespace xdoc2txt
