#include "state/string_list.h"

#include "failure.h"

namespace quill {

const std::u16string& StringList::item(int index) const {
    if (index < 0 || index >= static_cast<int>(entries_.size())) {
        throw RunFailure(FailureKind::InvalidArgument, "list index out of range");
    }
    return entries_[static_cast<std::size_t>(index)];
}

bool StringList::append(std::u16string entry) {
    if (entries_.size() >= kMaxEntries) return false;
    const long long position = top_ + static_cast<long long>(entries_.size());
    const std::u16string& stored = entries_.emplace_back(std::move(entry));
    first_.try_emplace(stored, position);  // an earlier occurrence stays first
    return true;
}

bool StringList::insertTop(std::u16string entry) {
    if (entries_.size() >= kMaxEntries) return false;
    --top_;
    const std::u16string& stored = entries_.emplace_front(std::move(entry));
    first_.insert_or_assign(stored, top_);  // the new entry comes before any other
    return true;
}

void StringList::clear() noexcept {
    if (entries_.empty()) return;
    first_.clear();
    entries_.clear();
    top_ = 0;
}

void StringList::removeIf(const std::function<bool(int)>& pickIndex) {
    std::deque<std::u16string> kept;
    for (int i = 0; i < count(); ++i) {
        if (!pickIndex(i)) kept.push_back(std::move(entries_[static_cast<std::size_t>(i)]));
    }
    clear();
    for (std::u16string& entry : kept) (void)append(std::move(entry));
}

int StringList::firstIndexOf(std::u16string_view text) const {
    const auto found = first_.find(text);
    return found == first_.end() ? -1 : static_cast<int>(found->second - top_);
}

}  // namespace quill
