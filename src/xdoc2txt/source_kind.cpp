#include "source_kind.h"

#include <utility>

namespace xdoc2txt {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (lower(tail[i]) != suffix[i]) return false;
    }
    return true;
}

constexpr std::pair<std::string_view, Format> kSuffixes[] = {
    {".html", Format::kHtml},      {".htm", Format::kHtml},     {".txt", Format::kText},
    {".pdf", Format::kPdf},        {".doc", Format::kWord},     {".xls", Format::kExcel},
    {".ppt", Format::kPowerPoint}, {".rtf", Format::kRichText}, {".wk3", Format::kLotus},
    {".wk4", Format::kLotus},      {".123", Format::kLotus},    {".wj2", Format::kLotus},
    {".wj3", Format::kLotus},      {".jtd", Format::kIchitaro}, {".jaw", Format::kIchitaro},
    {".jtw", Format::kIchitaro},   {".jbw", Format::kIchitaro}, {".juw", Format::kIchitaro},
    {".jfw", Format::kIchitaro},   {".jvw", Format::kIchitaro}, {".jtt", Format::kIchitaro},
};

const std::pair<std::string_view, Format>* entryFor(std::string_view source) {
    for (const auto& entry : kSuffixes) {
        if (endsWithNoCase(source, entry.first)) return &entry;
    }
    return nullptr;
}

}  // namespace

Format formatOf(std::string_view source) {
    const auto* entry = entryFor(source);
    return entry ? entry->second : Format::kUnsupported;
}

std::string suffixOf(std::string_view source) {
    const auto* entry = entryFor(source);
    return entry ? std::string(entry->first) : std::string();
}

std::optional<std::string> textNameFor(std::string_view source) {
    const auto* entry = entryFor(source);
    if (!entry) return std::nullopt;
    std::string name(source.substr(0, source.size() - entry->first.size()));
    name += ".txt";
    return name;
}

}  // namespace xdoc2txt
