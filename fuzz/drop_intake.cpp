// Drops of arbitrary path lists, also while an admission yields, between runs
// of both buttons: no supported document is queued twice, the ready flag is
// set exactly while the queue holds a document other than an HTML page, and
// no list grows past 32,767 entries.
// Input: lines, each a path (its bytes as characters) or a command:
//   (empty line)       deliver the paths gathered so far as one drop
//   #nofiles           deliver a drop that offers no file list
//   #during            deliver the gathered drop inside the next drop's first yield
//   #bulk N PATTERN    gather N paths, each "*" of PATTERN replaced by the
//                      path's number: up to 66,000 paths in all in one input
//                      of 256 (chosen by a hash of the input), up to 128 in all
//                      in the others
//   #press             press the start button; every text output is there
//   #pressbare         press the start button; no text output is there
//   #textonly          press the text-only button
//   //...              nothing (a seed's comment)
// Filling a list takes some 33,000 admissions, and a button press some work
// per source and per earlier page: so lists fill in few inputs, and a button
// is pressed only while the queue and the earlier runs' texts hold at most 32
// entries. Fuzzing wants many short runs.

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <vector>

#include "fake_platform.h"
#include "fuzz_support.h"
#include "base/text_util.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill::fuzz {
namespace {

constexpr int kMaxEntries = 32767;
// A press converts the queue and remakes the pages of every earlier run.
constexpr int kMaxPagesPerRun = 32;

// The classification, written out: suffixes in any letter case.
bool endsWithAnyCase(std::u16string_view path, std::u16string_view lowerSuffix) {
    if (path.size() < lowerSuffix.size()) return false;
    const std::u16string_view end = path.substr(path.size() - lowerSuffix.size());
    for (std::size_t i = 0; i < end.size(); ++i) {
        const char16_t c = end[i] >= u'A' && end[i] <= u'Z' ? end[i] - u'A' + u'a' : end[i];
        if (c != lowerSuffix[i]) return false;
    }
    return true;
}

bool isHtml(std::u16string_view path) {
    return endsWithAnyCase(path, u".htm") || endsWithAnyCase(path, u".html");
}

bool isDocument(std::u16string_view path) {
    static const std::u16string_view kSuffixes[] = {
        u".doc", u".rtf", u".jtd", u".txt", u".xls", u".ppt", u".jaw", u".jtw", u".jbw", u".juw",
        u".jfw", u".jvw", u".jtt", u".wj2", u".wj3", u".wk3", u".wk4", u".123", u".pdf"};
    return std::any_of(std::begin(kSuffixes), std::end(kSuffixes),
                       [&](std::u16string_view suffix) { return endsWithAnyCase(path, suffix); });
}

class Session {
public:
    explicit Session(test::FakePlatform& platform) : platform_(platform), form_(platform) {
        form_.Form_Load();
        platform_.onPump = [this] { onPump(); };
    }

    void run(std::string_view input) {
        std::uint32_t hash = 2166136261u;  // FNV-1a
        for (const char c : input) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        bulkBudget_ = hash % 256 == 0 ? 66000 : 128;
        while (!input.empty()) {
            const std::size_t end = std::min(input.find('\n'), input.size());
            command(input.substr(0, end));
            input.remove_prefix(std::min(end + 1, input.size()));
        }
        if (!gathered_.files.empty()) deliver();
    }

private:
    void command(std::string_view line) {
        if (line.starts_with("//")) {
            return;
        } else if (line.empty()) {
            deliver();
        } else if (line == "#nofiles") {
            gathered_.hasFileList = false;
            deliver();
        } else if (line == "#during") {
            during_ = std::move(gathered_);
            gathered_ = DropData{true, {}};
        } else if (line.starts_with("#bulk ")) {
            bulk(line.substr(6));
        } else if (line == "#press" || line == "#pressbare") {
            if (!shortRun()) return;
            outputsThere_ = line == "#press";
            form_.Command2_Click();
            checkState();
        } else if (line == "#textonly") {
            if (!shortRun()) return;
            form_.Command3_Click();
            checkState();
        } else {
            gathered_.files.push_back(widened(line));
        }
    }

    [[nodiscard]] bool shortRun() const {
        return form_.list2().count() + form_.list3().count() <= kMaxPagesPerRun;
    }

    void bulk(std::string_view arguments) {
        std::size_t n = 0;
        while (!arguments.empty() && arguments.front() >= '0' && arguments.front() <= '9') {
            n = std::min<std::size_t>(n * 10 + static_cast<std::size_t>(arguments.front() - '0'),
                                      bulkBudget_);
            arguments.remove_prefix(1);
        }
        bulkBudget_ -= n;
        if (!arguments.empty()) arguments.remove_prefix(1);
        std::vector<std::u16string> pieces(1);
        for (const char c : arguments) {
            if (c == '*') {
                pieces.emplace_back();
            } else {
                pieces.back() += static_cast<char16_t>(static_cast<unsigned char>(c));
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::u16string number = decimal(static_cast<long long>(i));
            std::u16string path = pieces.front();
            for (std::size_t p = 1; p < pieces.size(); ++p) path.append(number).append(pieces[p]);
            gathered_.files.push_back(std::move(path));
        }
    }

    void deliver() {
        DropData drop = std::move(gathered_);
        gathered_ = DropData{true, {}};
        // The drop that is handled last decides the HTML flag: one that waited
        // for the drop in whose yield it came.
        const DropData& last = during_ ? *during_ : drop;
        const bool lastBringsHtml =
            last.hasFileList && std::any_of(last.files.begin(), last.files.end(), isHtml);
        if (during_) pendingDuring_ = true;
        form_.Form_OLEDragDrop(std::move(drop));
        if (pendingDuring_) {  // no yield came: it is delivered after
            pendingDuring_ = false;
            form_.Form_OLEDragDrop(std::move(*during_));
        }
        during_.reset();
        check(form_.list1().count() == 0, "the staging list is empty after a drop");
        check(lastBringsHtml || !form_.state().htmlGiven, "no HTML flag without an HTML page");
        checkState();
        if (form_.state().queueGrew) {
            check(platform_.command2Enabled, "start button enabled while documents wait");
            check(platform_.text1 == texts::kReady && platform_.caption == texts::kReady,
                  "ready shown while documents wait");
        }
    }

    void onPump() {
        if (pendingDuring_) {
            pendingDuring_ = false;
            form_.Form_OLEDragDrop(DropData(*during_));
        }
        // The console has finished: the converter's outputs are there.
        if (outputsThere_ && platform_.log.back().starts_with("waitConsole")) {
            for (int i = 0; i < form_.list3().count(); ++i) {
                platform_.files.try_emplace(form_.list3().item(i), "text");
            }
        }
    }

    void checkState() const {
        check(form_.list1().count() <= kMaxEntries && form_.list2().count() <= kMaxEntries &&
                  form_.list3().count() <= kMaxEntries,
              "no list above 32,767 entries");
        std::unordered_set<std::u16string_view> documents;
        bool documentQueued = false;
        for (int i = 0; i < form_.list2().count(); ++i) {
            const std::u16string& path = form_.list2().item(i);
            if (isHtml(path)) continue;
            check(isDocument(path), "only HTML pages and supported documents are queued");
            check(documents.insert(path).second, "no supported document queued twice");
            documentQueued = true;
        }
        check(form_.state().queueGrew == documentQueued,
              "the ready flag is set exactly while a document waits");
        check(!form_.busy(), "every handler has ended");
    }

    test::FakePlatform& platform_;
    Form1 form_;
    DropData gathered_{true, {}};
    std::optional<DropData> during_;
    bool pendingDuring_ = false;
    bool outputsThere_ = false;
    std::size_t bulkBudget_ = 0;
};

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quill::test::FakePlatform platform(quill::fuzz::codePage(932));
    quill::fuzz::Session(platform).run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
