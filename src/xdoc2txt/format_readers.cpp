#include "format_readers.h"

#include <algorithm>
#include <charconv>

#include "environment.h"
#include "html_charset.h"
#include "spreadsheet_csv.h"

namespace xdoc2txt {
namespace {

// A program of the search path run with arguments; its standard output is
// the text.
class Tool {
public:
    Tool(const ReaderTools& tools, std::string name, std::string package)
        : tools_(tools), name_(std::move(name)), package_(std::move(package)) {
        if (auto program = findProgram(name_, tools.searchPath)) program_ = *program;
    }

    [[nodiscard]] bool installed() const { return !program_.empty(); }
    [[nodiscard]] ReadResult missing() const {
        return ReadResult::missing(name_ + " is not installed (" + package_ + ")");
    }

    // The command's output, or why there is none. The command sees what the
    // view shows.
    [[nodiscard]] ReadResult run(std::vector<std::string> args, SandboxView view,
                                 const std::string& input = "/dev/null") const {
        if (!installed()) return missing();
        Command command;
        command.program = program_;
        command.args = std::move(args);
        command.input = input;
        command.timeLimit = tools_.timeLimit;
        command.view = std::move(view);
        ProcessResult result = tools_.runner.run(command);
        if (!result.succeeded())
            return ReadResult::failed(name_ + " " + result.failure(command.timeLimit));
        return ReadResult::of(std::move(result.out));
    }

private:
    const ReaderTools& tools_;
    std::string name_;
    std::string package_;
    std::string program_;
};

// A view that shows the reader the source, read-only, and the path it
// finds it by.
struct Seen {
    SandboxView view;
    std::string source;
};
Seen seeing(const ReaderTools& tools, const std::string& source) {
    Seen seen{tools.runner.view(), {}};
    seen.source = seen.view.readOnly(source, "document" + tools.suffix);
    return seen;
}

// xdoc2txt-read.py on a file the view shows, or on its standard input
// (file "/dev/stdin", input given): exit status 3 says a library it needs
// is missing.
ReadResult runHelper(const ReaderTools& tools, const std::string& mode, SandboxView view,
                     const std::string& file, int input = -1) {
    const std::string name = "xdoc2txt-read.py " + mode;
    if (!findProgram(tools.python, {}))
        return ReadResult::missing(tools.python + " is not installed");
    if (tools.helperScript.empty()) return ReadResult::missing("xdoc2txt-read.py is missing");
    const std::string script = view.readOnly(tools.helperScript, "xdoc2txt-read.py");
    Command command;
    command.program = tools.python;
    command.args = {"-I", script, mode, file};
    command.timeLimit = tools.timeLimit;
    command.view = std::move(view);
    command.inputFd = input;
    ProcessResult result = tools.runner.run(command);
    if (result.end == ProcessResult::End::kExited && result.code == 3) {
        return ReadResult::missing(lastLine(result.err));
    }
    if (!result.succeeded())
        return ReadResult::failed(name + " " + result.failure(command.timeLimit));
    return ReadResult::of(std::move(result.out));
}

Reader pdftotext(const ReaderTools& tools, const std::string& source) {
    return {
        "pdftotext", [&tools, source] {
            Seen seen = seeing(tools, source);
            return Tool(tools, "pdftotext", "poppler-utils")
                .run({"-enc", "UTF-8", seen.source, "-"}, std::move(seen.view));
        }};
}

Reader antiword(const ReaderTools& tools, const std::string& source) {
    // -w 0: paragraphs unwrapped.
    return {
        "antiword", [&tools, source] {
            Seen seen = seeing(tools, source);
            return Tool(tools, "antiword", "antiword")
                .run({"-m", "UTF-8.txt", "-w", "0", seen.source}, std::move(seen.view));
        }};
}

Reader xlrd(const ReaderTools& tools, const std::string& source) {
    return {"xlrd", [&tools, source] {
                Seen seen = seeing(tools, source);
                return runHelper(tools, "xls", std::move(seen.view), seen.source);
            }};
}

// w3m reads the page from its standard input (it would take a name for a
// URL); a page that declares no character set is read in uchardet's guess.
Reader w3m(const ReaderTools& tools, const std::string& source) {
    return {"w3m", [&tools, source] {
                const Tool w3m(tools, "w3m", "w3m");
                if (!w3m.installed()) return w3m.missing();
                const std::optional<std::string> page = readWholeFile(source);
                if (!page) return ReadResult::failed("cannot read the page");
                std::vector<std::string> args = {"-dump", "-T",    "text/html", "-O",
                                                 "UTF-8", "-cols", "10000"};
                if (!declaredCharset(*page)) {
                    const ReadResult guess =
                        Tool(tools, "uchardet", "uchardet").run({}, tools.runner.view(), source);
                    if (guess.kind == ReadResult::Kind::kText) {
                        if (auto charset = w3mCharsetFor(guess.text)) {
                            args.insert(args.end(), {"-I", *charset});
                        }
                    }
                }
                return w3m.run(std::move(args), tools.runner.view(), source);
            }};
}

// wks2csv converts one sheet per run: the number of sheets first.
Reader wks2csv(const ReaderTools& tools, const std::string& source) {
    return {
        "wks2csv", [&tools, source] {
            const Tool wks2csv(tools, "wks2csv", "libwps-tools");
            Seen counted = seeing(tools, source);
            const ReadResult count =
                wks2csv.run({"-N", counted.source}, std::move(counted.view));
            if (count.kind != ReadResult::Kind::kText) return count;
            int sheets = 0;
            const std::string& said = count.text;
            const std::size_t digit = said.find_first_of("0123456789");
            if (digit != std::string::npos) {
                (void)std::from_chars(said.data() + digit, said.data() + said.size(), sheets);
            }
            sheets = std::clamp(sheets, 1, 256);
            std::string text;
            for (int sheet = 1; sheet <= sheets; ++sheet) {
                Seen seen = seeing(tools, source);
                const ReadResult csv = wks2csv.run(
                    {"-D", "%Y-%m-%d", "-n", std::to_string(sheet), seen.source},
                    std::move(seen.view));
                // A sheet that cannot be read fails the whole reading, so
                // that the next reader gives every sheet, or none is claimed.
                if (csv.kind != ReadResult::Kind::kText) {
                    if (sheet == 1) return csv;
                    return ReadResult::failed("sheet " + std::to_string(sheet) + ": " + csv.reason);
                }
                const std::string rows = csvToTabbedRows(csv.text);
                if (rows.empty()) continue;
                if (!text.empty()) text += '\n';
                text += rows;
            }
            return ReadResult::of(std::move(text));
        }};
}

Reader officeText(const ReaderTools& tools, Format format, const std::string& source,
                  const std::string& suffix) {
    return {"LibreOffice", [&tools, format, source, suffix] {
                return tools.office.convert(
                    source, format, suffix, "txt:Text (encoded):UTF8", "txt",
                    [](const std::string& text) {
                        auto content = readOutputFile(text);
                        return content ? ReadResult::of(std::move(*content))
                                       : ReadResult::failed(
                                             "LibreOffice's text is not a file it wrote");
                    });
            }};
}

// Calc and Impress have no plain-text export of all their content: their
// flat OpenDocument files are read by the helper. The export filter is the
// one the extension alone picks, named: a running LibreOffice takes filters
// by name only.
constexpr const char* kFlatSpreadsheet = "fods:OpenDocument Spreadsheet Flat XML";
constexpr const char* kFlatPresentation = "fodp:OpenDocument Presentation Flat XML";

Reader officeFlat(const ReaderTools& tools, Format format, const std::string& source,
                  const std::string& suffix, std::string filter, std::string mode) {
    return {
        "LibreOffice", [&tools, format, source, suffix, filter, mode] {
            return tools.office.convert(
                source, format, suffix, filter, filter.substr(0, filter.find(':')),
                [&tools, mode](const std::string& flat) {
                    const UniqueFd file = openOutputFile(flat);
                    if (!file) return ReadResult::failed("LibreOffice's output is not a file it wrote");
                    return runHelper(tools, mode, tools.runner.view(), "/dev/stdin", file.get());
                });
        }};
}

}  // namespace

std::vector<Reader> readersFor(Format format, const std::string& source, const std::string& suffix,
                               const ReaderTools& tools) {
    switch (format) {
        case Format::kPdf:
            return {pdftotext(tools, source)};
        case Format::kWord:
            return {antiword(tools, source), officeText(tools, format, source, suffix)};
        case Format::kExcel:
            return {xlrd(tools, source),
                    officeFlat(tools, format, source, suffix, kFlatSpreadsheet, "ods")};
        case Format::kPowerPoint:
            return {officeFlat(tools, format, source, suffix, kFlatPresentation, "odp")};
        case Format::kRichText:
            return {officeText(tools, format, source, suffix)};
        case Format::kHtml:
            return {w3m(tools, source)};
        case Format::kLotus:
            return {wks2csv(tools, source),
                    officeFlat(tools, format, source, suffix, kFlatSpreadsheet, "ods")};
        case Format::kText:
        case Format::kIchitaro:
        case Format::kUnsupported:
            break;
    }
    return {};
}

}  // namespace xdoc2txt
