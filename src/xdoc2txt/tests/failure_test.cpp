// xdoc2txt's refusals and failures: their exit codes and one-line messages,
// what they leave behind, and source names no reader may misread.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "process_end.h"
#include "program_support.h"

namespace xdoc2txt::test {
namespace {

using namespace std::chrono_literals;

bool oneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

// A PDF whose reader never ends on its own: it notes its own id and its
// child's, then waits for the child. It writes beside the source, so it runs
// unconfined (XDOC2TXT_SANDBOX=0); the sandbox test ends confined ones.
void hangingPdfReader(const Folder& folder) {
    std::filesystem::create_directory(folder / "bin");
    writeFile(folder / "bin/pdftotext",
              "#!/bin/sh\nsleep 600 &\necho $! > \"" + (folder / "child.pid") +
                  "\"\n"
                  "echo $$ > \"" +
                  (folder / "reader.pid") + "\"\nwait\n",
              true);
}

pid_t readPid(const std::string& path) {
    pid_t pid = 0;
    std::ifstream(path) >> pid;
    return pid;
}

TEST(Usage, WrongCommandLinesExitTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {},         {"-f"},         {"a.pdf"}, {"-x", "a.pdf"}, {"-f", "a.pdf", "b.pdf"},
        {"-f", ""}, {"--help", "x"}};
    for (const auto& args : wrong) {
        const RunResult run = runXdoc2txt(args);
        EXPECT_EQ(run.exitCode, 2) << args.size();
        EXPECT_TRUE(oneLine(run.err)) << run.err;
        EXPECT_NE(run.err.find("usage"), std::string::npos) << run.err;
    }
    const RunResult help = runXdoc2txt({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("xdoc2txt -f SOURCE"), std::string::npos);
    EXPECT_NE(help.out.find("  7  the text could not be written"), std::string::npos);
}

TEST(Usage, BadSettingsExitTwo) {
    const Folder folder;
    writeFile(folder / "a.pdf", "%PDF-1.4 not really");
    const RunResult encoding =
        runXdoc2txt({"-f", folder / "a.pdf"}, {"XDOC2TXT_ENCODING=NO-SUCH-CODE"});
    EXPECT_EQ(encoding.exitCode, 2);
    EXPECT_NE(encoding.err.find("unknown text encoding NO-SUCH-CODE"), std::string::npos);
    const RunResult timeout = runXdoc2txt({"-f", folder / "a.pdf"}, {"XDOC2TXT_TIMEOUT=soon"});
    EXPECT_EQ(timeout.exitCode, 2);
    EXPECT_TRUE(oneLine(timeout.err));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.pdf"});
}

TEST(Refusals, MissingUnreadableUnsupportedAndIchitaro) {
    const Folder folder;
    const RunResult missing = runXdoc2txt({"-f", folder / "none.doc"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_EQ(missing.err, "xdoc2txt: " + (folder / "none.doc") + ": no such file\n");

    std::filesystem::create_directory(folder / "folder.pdf");
    const RunResult notFile = runXdoc2txt({"-f", folder / "folder.pdf"});
    EXPECT_EQ(notFile.exitCode, 3);
    EXPECT_TRUE(oneLine(notFile.err)) << notFile.err;

    writeFile(folder / "new.docx", "PK");
    const RunResult unsupported = runXdoc2txt({"-f", folder / "new.docx"});
    EXPECT_EQ(unsupported.exitCode, 4);
    EXPECT_TRUE(oneLine(unsupported.err));

    writeFile(folder / "letter.JTD", "Ichitaro bytes");
    const RunResult ichitaro = runXdoc2txt({"-f", folder / "letter.JTD"});
    EXPECT_EQ(ichitaro.exitCode, 5);
    EXPECT_TRUE(oneLine(ichitaro.err));
    EXPECT_NE(ichitaro.err.find("no converter for this format"), std::string::npos);
    EXPECT_NE(ichitaro.err.find("Ichitaro"), std::string::npos);

    EXPECT_EQ(folder.names(), (std::vector<std::string>{"folder.pdf", "letter.JTD", "new.docx"}));
}

TEST(Refusals, ATextIsItsOwnOutput) {
    const Folder folder;
    const std::string text = "\x93\xfa\x96\x7b\r\nunchanged, not even re-encoded\n";
    writeFile(folder / "notes.TXT", text);
    struct stat before {};
    ::stat((folder / "notes.TXT").c_str(), &before);
    std::this_thread::sleep_for(10ms);  // a rewrite would show in the time
    const RunResult run = runXdoc2txt({"-f", folder / "notes.TXT"}, {"XDOC2TXT_ENCODING=UTF-8"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    struct stat after {};
    ::stat((folder / "notes.TXT").c_str(), &after);
    EXPECT_EQ(readFile(folder / "notes.TXT"), text);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"notes.TXT"});
}

TEST(Failures, ACorruptDocumentKeepsTheOlderText) {
    const Folder folder;
    writeFile(folder / "broken.pdf", "%PDF-1.4\nnot a PDF at all\n");
    writeFile(folder / "broken.txt", "the older text\n");
    const RunResult run = runXdoc2txt({"-f", folder / "broken.pdf"});
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_TRUE(oneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find("conversion failed: pdftotext"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(folder / "broken.txt"), "the older text\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"broken.pdf", "broken.txt"}));
}

// A real workbook and Word document cut short start like documents, but
// LibreOffice could read them only as plain text: warm or fresh, they give
// no text (not their raw bytes), and the older text stays.
TEST(Failures, ADamagedDocumentIsNotReadAsText) {
    XDOC2TXT_REQUIRE_DOCUMENTS(documents);
    const Folder folder;
    const OwnCache cache;
    for (const char* warm : {"XDOC2TXT_SOFFICE_WARM=1", "XDOC2TXT_SOFFICE_WARM=0"}) {
        for (const std::string file : {"Test97J.xls", "Test95J.xls", "ja-libreoffice.doc"}) {
            const std::string suffix = file.substr(file.rfind('.'));
            writeFile(folder / ("cut" + suffix), readFile(documents + "/" + file).substr(0, 4096));
            writeFile(folder / "cut.txt", "older\n");
            const RunResult run =
                runXdoc2txt({"-f", folder / ("cut" + suffix)}, cache.environment({warm}));
            EXPECT_EQ(run.exitCode, 6) << file << " " << warm << ": " << run.err;
            EXPECT_EQ(readFile(folder / "cut.txt"), "older\n") << file << " " << warm;
        }
    }
}

// Binary noise under a document's name is no document: no reader may pass
// it off as text (LibreOffice would import it as plain text).
TEST(Failures, NoiseIsNoDocument) {
    const Folder folder;
    std::mt19937 random(11);
    std::string noise(4096, '\0');
    for (char& byte : noise) byte = static_cast<char>(random() & 0xFF);
    for (const std::string name :
         {"noise.doc", "noise.xls", "noise.ppt", "noise.rtf", "noise.wk4"}) {
        writeFile(folder / name, noise);
        const RunResult run = runXdoc2txt({"-f", folder / name});
        EXPECT_EQ(run.exitCode, 6) << name << ": " << run.err;
        EXPECT_TRUE(oneLine(run.err)) << run.err;
        EXPECT_FALSE(exists(folder / "noise.txt")) << name;
        ::unlink((folder / name).c_str());
    }
}

TEST(Failures, ATextThatCannotBeWritten) {
    XDOC2TXT_REQUIRE_DOCUMENTS(documents);
    const Folder folder;
    const std::string pdf = readFile(documents + "/developers-reference-ja.pdf");
    writeFile(folder / "report.pdf", pdf);
    // A folder holds the text's name: even root cannot put a file there.
    std::filesystem::create_directory(folder / "report.txt");
    const RunResult run = runXdoc2txt({"-f", folder / "report.pdf"});
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_TRUE(oneLine(run.err)) << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(folder / "report.txt"));
    EXPECT_EQ(readFile(folder / "report.pdf"), pdf);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"report.pdf", "report.txt"}));
}

// Under a parent that ignores SIGCHLD (Wine may be one), readers would be
// reaped unseen and their exit status lost.
TEST(Failures, ExitStatusSeenWhenTheParentIgnoresChildren) {
    const Folder folder;
    writeFile(folder / "broken.pdf", "%PDF-1.4\nnot a PDF at all\n");
    const RunResult run = runXdoc2txt({"-f", folder / "broken.pdf"}, {}, {},
                                      {"/bin/bash", "-c", "trap '' CHLD; exec \"$0\" \"$@\""});
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_NE(run.err.find("pdftotext exited with status 1"), std::string::npos) << run.err;
}

TEST(Failures, NoReaderInstalled) {
    const Folder folder;
    writeFile(folder / "a.pdf", "%PDF-1.4");
    const RunResult run = runXdoc2txt({"-f", folder / "a.pdf"}, {"PATH=/nonexistent"});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.err.find("pdftotext is not installed"), std::string::npos) << run.err;
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"a.pdf"}));
}

TEST(Failures, AReaderOutOfTimeIsKilledWithItsChildren) {
    const Folder folder;
    hangingPdfReader(folder);
    writeFile(folder / "slow.pdf", "%PDF-1.4");
    writeFile(folder / "slow.txt", "older\n");
    const RunResult run =
        runXdoc2txt({"-f", folder / "slow.pdf"},
                    {"PATH=" + (folder / "bin") + ":/usr/bin:/bin", "XDOC2TXT_TIMEOUT=0.5",
                     "XDOC2TXT_SANDBOX=0"});
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_NE(run.err.find("pdftotext timed out after 0.5 s"), std::string::npos) << run.err;
    EXPECT_TRUE(ends(readPid(folder / "reader.pid")));
    EXPECT_TRUE(ends(readPid(folder / "child.pid")));
    EXPECT_EQ(readFile(folder / "slow.txt"), "older\n");
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"bin", "child.pid", "reader.pid", "slow.pdf", "slow.txt"}));
}

TEST(Failures, TerminationCleansUp) {
    const Folder folder;
    hangingPdfReader(folder);
    writeFile(folder / "slow.pdf", "%PDF-1.4");
    const pid_t xdoc2txt =
        startXdoc2txt({"-f", folder / "slow.pdf"},
                      {"PATH=" + (folder / "bin") + ":/usr/bin:/bin", "XDOC2TXT_SANDBOX=0"});
    // Once the reader runs, xdoc2txt is asked to stop.
    for (int i = 0; i < 3000 && readPid(folder / "reader.pid") == 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_NE(readPid(folder / "reader.pid"), 0);
    ::kill(xdoc2txt, SIGTERM);
    const RunResult run = wait(xdoc2txt);
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_TRUE(ends(readPid(folder / "reader.pid")));
    EXPECT_TRUE(ends(readPid(folder / "child.pid")));
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"bin", "child.pid", "reader.pid", "slow.pdf"}));
}

// A reader that fails part way gives no text: the older one stays, and the
// message says where it failed.
TEST(Failures, ASheetThatCannotBeReadFailsTheWholeSpreadsheet) {
    const Folder folder;
    std::filesystem::create_directory(folder / "bin");
    writeFile(folder / "bin/wks2csv",
              "#!/bin/sh\ncase \"$1\" in\n-N) echo 3 ;;\n"
              "-D) [ \"$4\" = 1 ] && echo 'a,b' || exit 1 ;;\nesac\n",
              true);
    writeFile(folder / "sheets.wk4", std::string("\0\0\x1a\0\x02\x10", 6) + "rest");
    writeFile(folder / "sheets.txt", "older\n");
    const RunResult run =
        runXdoc2txt({"-f", folder / "sheets.wk4"}, {"PATH=" + (folder / "bin") + ":/nonexistent"});
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_TRUE(oneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find("sheet 2: wks2csv exited with status 1"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(folder / "sheets.txt"), "older\n");
}

// When its parent ends (the Wine bridge, ended with its console), xdoc2txt
// ends its reader and leaves nothing behind.
TEST(Failures, TheParentsEndCleansUp) {
    const Folder folder;
    hangingPdfReader(folder);
    writeFile(folder / "slow.pdf", "%PDF-1.4");
    const pid_t parent = startXdoc2txt(
        {"-f", folder / "slow.pdf"},
        {"PATH=" + (folder / "bin") + ":/usr/bin:/bin", "XDOC2TXT_SANDBOX=0"}, folder.path(),
        {"/bin/sh", "-c", "\"$0\" \"$@\" & echo $! > xdoc2txt.pid; wait"});
    for (int i = 0; i < 3000 && readPid(folder / "reader.pid") == 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_NE(readPid(folder / "reader.pid"), 0);
    ::kill(parent, SIGKILL);
    (void)wait(parent);
    const pid_t xdoc2txt = readPid(folder / "xdoc2txt.pid");
    const bool ended = ends(xdoc2txt);
    if (!ended) ::kill(xdoc2txt, SIGTERM);  // nothing left running when the test fails
    EXPECT_TRUE(ended);
    EXPECT_TRUE(ends(readPid(folder / "reader.pid")));
    EXPECT_TRUE(ends(readPid(folder / "child.pid")));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"bin", "child.pid", "reader.pid",
                                                        "slow.pdf", "xdoc2txt.pid"}));
}

// Names that a shell, an option parser or a URL parser would misread reach
// every kind of reader as they are: pdftotext, w3m and LibreOffice.
TEST(Names, OddNamesConvertTheRightFile) {
    XDOC2TXT_REQUIRE_DOCUMENTS(documents);
    const Folder folder;
    const std::string pdf = readFile(documents + "/developers-reference-ja.pdf");
    const std::string page = readFile(documents + "/ja-undeclared-shift-jis.html");
    const std::string rtf = readFile(documents + "/la_dame.rtf");
    const std::string odd = "a b 'c' \"d\" $HOME;`x` %20#?\n日本語";
    const struct {
        std::string source, text, content, phrase;
    } cases[] = {
        {"-o.pdf", "-o.txt", pdf, "移植作業者に対して協力的になる"},
        {"--help.pdf", "--help.txt", pdf, "パッケージの移動"},
        {odd + ".pdf", odd + ".txt", pdf, "パッケージの移動"},
        {"-" + odd + ".html", "-" + odd + ".txt", page, paragraphPhrases(documents).at(1)},
        {"--" + odd + ".rtf", "--" + odd + ".txt", rtf, "Trotte la petite souris"},
    };
    for (const auto& c : cases) {
        writeFile(folder / c.source, c.content);
        // Relative to the working folder, as a name starting with '-' is most at risk.
        const RunResult run = runXdoc2txt({"-f", c.source}, {}, folder.path());
        EXPECT_EQ(run.exitCode, 0) << c.source << ": " << run.err;
        EXPECT_NE(readFile(folder / c.text).find(c.phrase), std::string::npos) << c.source;
        EXPECT_EQ(readFile(folder / c.source), c.content) << c.source;
    }
    EXPECT_EQ(folder.names().size(), 2 * std::size(cases));
}

}  // namespace
}  // namespace xdoc2txt::test
