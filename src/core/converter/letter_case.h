#pragma once
// Letter case, as the console compares the names of variables: character by
// character, each through its upper-case letter.

namespace quill {

// The upper-case letter of c as a single character (ᾳ: ᾼ, the title-case
// letter), or c when it has none (ß).
[[nodiscard]] char16_t upperCase(char16_t c);

}  // namespace quill
