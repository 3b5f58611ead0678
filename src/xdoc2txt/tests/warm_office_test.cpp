// The LibreOffice kept running between conversions: the text a fresh start
// gives, one instance that holds nothing of the converter's, what follows a
// failure, and its end when idle. Each test has a cache folder of its own,
// and so an instance of its own.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <thread>

#include "process_end.h"
#include "program_support.h"

namespace xdoc2txt::test {
namespace {

struct Sample {
    const char* file;    // in the documents folder
    const char* source;  // the name it is converted under
    const char* text;    // the text's name
};

// What LibreOffice reads: a presentation, an RTF, and an RTF under a .doc
// name, which antiword refuses. Each holds the made paragraphs.
const Sample kPpt{"ja-libreoffice.ppt", "slides.ppt", "slides.txt"};
const Sample kRtf{"ja-libreoffice.rtf", "ja.rtf", "ja.txt"};
const Sample kDoc{"ja-shift-jis.rtf", "saved-as.doc", "saved-as.txt"};
const std::string kKeeper = "xdoc2txt-office.py keep";

class Warm : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        documents_ = documentsFolder(why);
        XDOC2TXT_SKIP_WITHOUT_DOCUMENTS(documents_, why);
    }

    std::string place(const Sample& sample) {
        ::unlink((folder_ / sample.text).c_str());
        writeFile(folder_ / sample.source, readFile(documents_ + "/" + sample.file));
        return folder_ / sample.source;
    }

    // The sample's text, which must hold every paragraph.
    std::string text(const Sample& sample) {
        const std::string text = readFile(folder_ / sample.text);
        for (const std::string& phrase : paragraphPhrases(documents_)) {
            EXPECT_NE(text.find(phrase), std::string::npos) << sample.source << " lacks " << phrase;
        }
        return text;
    }

    std::string convert(const Sample& sample, const std::vector<std::string>& extra = {},
                        const std::vector<std::string>& launcher = {}) {
        const RunResult run =
            runXdoc2txt({"-f", place(sample)}, cache_.environment(extra), {}, launcher);
        EXPECT_EQ(run.exitCode, 0) << sample.source << ": " << run.out << run.err;
        return text(sample);
    }

    // The running LibreOffice programs once only the kept one is left: on a
    // loaded machine a warm start may fail and a fresh LibreOffice convert
    // instead, which is still ending when the converter returns.
    std::vector<pid_t> keptOffices() const {
        for (int i = 0; i < 100 && cache_.offices().size() > 1; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return cache_.offices();
    }

    std::string documents_;
    Folder folder_;
    OwnCache cache_;
};

TEST_F(Warm, GivesTheTextOfAFreshStartFromOneInstanceThatHoldsNothingOfTheConverter) {
    // The instance is started by a converter whose output and error are a
    // pipe read to its end, which comes only once nothing holds them (120 s
    // are a safety net).
    const std::vector<std::string> piped = {"/bin/sh", "-c",
                                            "\"$0\" \"$@\" 2>&1 | timeout 120 cat"};
    EXPECT_EQ(convert(kPpt, {}, piped), convert(kPpt, {"XDOC2TXT_SOFFICE_WARM=0"}));
    EXPECT_EQ(convert(kRtf), convert(kRtf, {"XDOC2TXT_SOFFICE_WARM=0"}));
    EXPECT_EQ(convert(kDoc), convert(kDoc, {"XDOC2TXT_SOFFICE_WARM=0"}));
    EXPECT_EQ(keptOffices().size(), 1u);
    EXPECT_EQ(cache_.processes(kKeeper).size(), 1u);
}

TEST_F(Warm, TwoConvertersAtOnceShareOneInstance) {
    const pid_t slides = startXdoc2txt({"-f", place(kPpt)}, cache_.environment());
    const pid_t rtf = startXdoc2txt({"-f", place(kRtf)}, cache_.environment());
    EXPECT_EQ(wait(slides).exitCode, 0);
    EXPECT_EQ(wait(rtf).exitCode, 0);
    (void)text(kPpt);
    (void)text(kRtf);
    EXPECT_EQ(keptOffices().size(), 1u);
    EXPECT_EQ(cache_.processes(kKeeper).size(), 1u);
}

TEST_F(Warm, AnInstanceKilledBetweenTwoConversionsIsReplaced) {
    const std::string first = convert(kRtf);
    const std::vector<pid_t> killed = keptOffices();
    ASSERT_EQ(killed.size(), 1u);
    ::kill(killed[0], SIGKILL);
    ASSERT_TRUE(ends(killed[0]));
    EXPECT_EQ(convert(kRtf), first);
    (void)convert(kPpt);
    const std::vector<pid_t> now = keptOffices();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0], killed[0]);
}

// LibreOffice refuses a cut document: the conversion fails as a cold one
// would, and the instance that answered goes on.
TEST_F(Warm, ADamagedDocumentFailsAndTheNextConvertsWarm) {
    (void)convert(kRtf);
    const std::vector<pid_t> before = cache_.offices();
    writeFile(folder_ / "cut.ppt", readFile(documents_ + "/" + kPpt.file).substr(0, 6000));
    const RunResult cut = runXdoc2txt({"-f", folder_ / "cut.ppt"}, cache_.environment());
    EXPECT_EQ(cut.exitCode, 6);
    EXPECT_NE(cut.err.find("conversion failed: LibreOffice could not convert"), std::string::npos)
        << cut.err;
    EXPECT_FALSE(exists(folder_ / "cut.txt"));
    (void)convert(kPpt);
    EXPECT_EQ(cache_.offices(), before);
}

TEST_F(Warm, EndsAfterItsIdleTime) {
    // A warm start that fails falls back to a fresh one, which converts as
    // well; on a loaded machine the first may, so a second start is allowed.
    const std::string profile = cache_.path() + "/xdoc2txt/lo-warm/profile";
    for (int start = 0; start < 2 && !exists(profile); ++start) {
        (void)convert(kRtf, {"XDOC2TXT_SOFFICE_IDLE=1"});
    }
    ASSERT_TRUE(exists(profile)) << "none was started";
    bool gone = false;  // within a generous safety limit
    for (int i = 0; i < 600 && !gone; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gone = cache_.processes("").empty();
    }
    EXPECT_TRUE(gone);
}

// --warm starts an instance in the background for what LibreOffice reads
// (a presentation), and none for what its own readers read.
TEST_F(Warm, WarmStartsOneOnlyForWhatLibreOfficeReads) {
    writeFile(folder_ / "a.pdf", "%PDF-1.4\n");
    writeFile(folder_ / "b.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    const RunResult none =
        runXdoc2txt({"--warm", folder_ / "a.pdf", folder_ / "b.xls"}, cache_.environment());
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_TRUE(cache_.processes("").empty());
    const RunResult warm = runXdoc2txt({"--warm", place(kPpt)}, cache_.environment());
    EXPECT_EQ(warm.exitCode, 0) << warm.err;
    // The keeper starts detached: it may take its name a moment after the
    // converter returned, and LibreOffice some seconds (a generous limit).
    bool started = false;
    for (int i = 0; i < 600 && !started; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        started = cache_.processes(kKeeper).size() == 1 && !cache_.offices().empty();
    }
    EXPECT_TRUE(started);
    (void)convert(kPpt);
    EXPECT_EQ(cache_.processes(kKeeper).size(), 1u);
}

TEST(WarmSettings, BadValuesExitTwoAndHelpTellsThem) {
    const Folder folder;
    writeFile(folder / "a.rtf", "{\\rtf1 text}");
    for (const std::string bad : {"XDOC2TXT_SOFFICE_WARM=yes", "XDOC2TXT_SOFFICE_IDLE=-1"}) {
        const RunResult run = runXdoc2txt({"-f", folder / "a.rtf"}, {bad});
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_NE(run.err.find(bad.substr(0, bad.find('='))), std::string::npos) << run.err;
    }
    const std::string help = runXdoc2txt({"--help"}).out;
    EXPECT_NE(help.find("XDOC2TXT_SOFFICE_WARM=0"), std::string::npos);
    EXPECT_NE(help.find("XDOC2TXT_SOFFICE_IDLE"), std::string::npos);
}

}  // namespace
}  // namespace xdoc2txt::test
