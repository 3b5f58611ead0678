// xdoc2txt on real documents: every format's reader, in CP932 (as Quillmark
// reads texts under Wine) and in a UTF-8 locale.

#include <gtest/gtest.h>

#include <filesystem>

#include "program_support.h"

namespace xdoc2txt::test {
namespace {

struct Document {
    const char* test;                       // the test's name
    const char* file;                       // in the documents folder
    const char* source;                     // the name it is converted under
    const char* text;                       // the text's expected name
    std::vector<std::string> phrases;       // in the text, in both encodings
    std::vector<std::string> utf8Phrases;   // in the UTF-8 text only
    std::vector<std::string> cp932Phrases;  // in the CP932 text only (after decoding)
    bool paragraphs = false;                // also holds a phrase of every made paragraph
};

const Document kDocuments[] = {
    {"PdfJapanese",
     "developers-reference-ja.pdf",
     "reference.pdf",
     "reference.txt",
     {"パッケージの移動", "移植作業者に対して協力的になる", "メーリングリストとウェブページ"},
     {},
     {},
     false},
    {"XlsExcel97",
     "Test97J.xls",
     "Test97J.xls",
     "Test97J.txt",
     {"漢字も入る\t漢字のデータ", "ASC\tThis Data is 'ASC Only'", "INTEGER\t12345",
      "BIG INTEGER\t123456789012", "Date\t1964-03-23"},
     {},
     {},
     false},
    {"XlsExcel95UpperCase",
     "Test95J.xls",
     "Test95J.XLS",
     "Test95J.txt",
     {"漢字も入る\t漢字のデータ", "Float\t1.29"},
     {},
     {},
     false},
    {"RtfFrench",
     "la_dame.rtf",
     "la_dame.rtf",
     "la_dame.txt",
     {"Vocabulary", "Trotte la petite souris"},
     {"Toc toc Il a fermé la porte", "Les lys du jardin sont flétris"},
     // CP932 has no é: one "?" each.
     {"Toc toc Il a ferm? la porte", "Les lys du jardin sont fl?tris"},
     false},
    {"RtfShiftJisBytes",
     "ja-shift-jis.rtf",
     "ja-shift-jis.rtf",
     "ja-shift-jis.txt",
     {},
     {},
     {},
     true},
    {"RtfJapaneseFromLibreOffice", "ja-libreoffice.rtf", "ja.rtf", "ja.txt", {}, {}, {}, true},
    {"DocJapanese", "ja-libreoffice.doc", "ja.doc", "ja.txt", {}, {}, {}, true},
    // An RTF saved under a .doc name: antiword refuses it, LibreOffice reads it.
    {"DocThatIsRtf", "ja-shift-jis.rtf", "saved-as.Doc", "saved-as.txt", {}, {}, {}, true},
    {"PptJapanese", "ja-libreoffice.ppt", "slides.ppt", "slides.txt", {}, {}, {}, true},
    {"HtmlUndeclaredShiftJis",
     "ja-undeclared-shift-jis.html",
     "page.htm",
     "page.txt",
     {},
     {},
     {},
     true},
    {"HtmlDeclaredXSjis", "ja-declared-x-sjis.html", "x-sjis.html", "x-sjis.txt", {}, {}, {}, true},
    {"HtmlDeclaredUtf8",
     "new-maintainer.html",
     "new-maintainer.HTML",
     "new-maintainer.txt",
     {"ナビゲーション"},
     {},
     {},
     true},
};

void PrintTo(const Document& document, std::ostream* out) {
    *out << document.test;
}

void expectPhrases(const std::string& text, const std::vector<std::string>& phrases) {
    for (const std::string& phrase : phrases) {
        EXPECT_NE(text.find(phrase), std::string::npos) << "missing: " << phrase;
    }
}

class Documents : public ::testing::TestWithParam<Document> {
protected:
    // Converts the document in a folder of its own; the text as UTF-8.
    std::string convert(const std::vector<std::string>& environment, bool cp932) {
        const Document& document = GetParam();
        const std::string original = readFile(documents_ + "/" + document.file);
        const std::string source = folder_ / document.source;
        writeFile(source, original);

        const RunResult run = runXdoc2txt({"-f", source}, environment);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(readFile(source), original) << "the source changed";
        // Nothing else is left beside the source: no temporary file, no lock.
        std::vector<std::string> expected = {document.source, document.text};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(folder_.names(), expected);

        const std::string bytes = readFile(folder_ / document.text);
        std::size_t crlf = 0, lf = 0;
        for (std::size_t i = bytes.find('\n'); i != std::string::npos;
             i = bytes.find('\n', i + 1)) {
            ++(i > 0 && bytes[i - 1] == '\r' ? crlf : lf);
        }
        EXPECT_GT(crlf + lf, 0u);
        EXPECT_EQ(cp932 ? lf : crlf, 0u) << "lines must end in " << (cp932 ? "CR LF" : "LF");
        const std::string text = cp932 ? fromCp932(bytes) : bytes;
        // LibreOffice's byte-order mark is gone (CP932 would show it as "?").
        EXPECT_FALSE(text.starts_with("\xEF\xBB\xBF") || text.starts_with("?"));
        expectPhrases(text, document.phrases);
        if (document.paragraphs) {
            const std::vector<std::string> phrases = paragraphPhrases(documents_);
            EXPECT_GE(phrases.size(), 4u);
            expectPhrases(text, phrases);
        }
        return text;
    }

    void SetUp() override {
        std::string why;
        documents_ = documentsFolder(why);
        XDOC2TXT_SKIP_WITHOUT_DOCUMENTS(documents_, why);
    }

    std::string documents_;
    Folder folder_;
};

TEST_P(Documents, Cp932) {
    const std::string text = convert({"XDOC2TXT_ENCODING=CP932"}, true);
    expectPhrases(text, GetParam().cp932Phrases);
}

TEST_P(Documents, Utf8Locale) {
    const std::string text = convert({}, false);
    expectPhrases(text, GetParam().utf8Phrases);
}

INSTANTIATE_TEST_SUITE_P(Formats, Documents, ::testing::ValuesIn(kDocuments),
                         [](const auto& instance) { return std::string(instance.param.test); });

// No Debian package holds a Lotus file: a small 1-2-3 worksheet written
// record by record (BOF, dimensions, two labels, a number, EOF).
TEST(Lotus, AWorksheetReadsAsTabbedRows) {
    const Folder folder;
    const auto record = [](int opcode, const std::string& data) {
        return std::string{static_cast<char>(opcode), '\0', static_cast<char>(data.size()), '\0'} +
               data;
    };
    const auto cell = [](int column, int row) {
        return std::string{'\xFF', static_cast<char>(column), '\0', static_cast<char>(row), '\0'};
    };
    const std::string fortyTwoAndAHalf("\0\0\0\0\0\x40\x45\x40", 8);  // 42.5, little-endian
    const std::string sheet = record(0x00, std::string("\x06\x04", 2)) +
                              record(0x06, std::string("\0\0\0\0\x01\0\x01\0", 8)) +
                              record(0x0F, cell(0, 0) + std::string("'Hello\0", 7)) +
                              record(0x0F, cell(1, 0) + std::string("'World, \"q\"\0", 12)) +
                              record(0x0E, cell(0, 1) + fortyTwoAndAHalf) + record(0x01, "");
    writeFile(folder / "sheet.WK4", sheet);
    const RunResult run = runXdoc2txt({"-f", folder / "sheet.WK4"}, {"XDOC2TXT_ENCODING=CP932"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string text = readFile(folder / "sheet.txt");
    EXPECT_NE(text.find("Hello\tWorld, \"q\"\r\n42.5\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace xdoc2txt::test
