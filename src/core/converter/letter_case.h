#pragma once
// Letter case, as the console compares the names of variables: character by
// character, each through its upper-case letter.

namespace quill {

// The upper-case letter of c, or c when it has none (or more than one
// character for one).
[[nodiscard]] char16_t upperCase(char16_t c);

}  // namespace quill
