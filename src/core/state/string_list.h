#pragma once
// An ordered, unsorted queue of path strings with 16-bit signed count and
// 0-based indices: the staging list, the source queue and the output list.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quill {

class StringList {
public:
    static constexpr int kMaxEntries = 32767;

    [[nodiscard]] std::int16_t count() const noexcept {
        return static_cast<std::int16_t>(entries_.size());
    }
    [[nodiscard]] bool empty() const noexcept { return entries_.empty(); }

    // Raises InvalidArgument for an index outside 0 ... count - 1.
    [[nodiscard]] const std::u16string& item(int index) const;

    // Both refuse (and return false) when the list already holds kMaxEntries.
    [[nodiscard]] bool append(std::u16string entry);
    [[nodiscard]] bool insertTop(std::u16string entry);

    void clear() noexcept;
    // Removes the entries whose indices the predicate picks; the others keep
    // their order.
    void removeIf(const std::function<bool(int)>& pickIndex);

    // Index of the first entry equal to text (exact, case-sensitive), or -1.
    [[nodiscard]] int firstIndexOf(std::u16string_view text) const;

private:
    // Entries live in a deque, so references to them stay valid while entries
    // are added at either end; the index maps each distinct text to the
    // storage position of its first occurrence. A storage position minus
    // top_ is the entry's index.
    std::deque<std::u16string> entries_;
    std::unordered_map<std::u16string_view, long long> first_;
    long long top_ = 0;
};

}  // namespace quill
