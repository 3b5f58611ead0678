#pragma once
// The window's controls: kind, initial text, place and size in twips on a
// client area of 7995 x 7260 twips, in tab order. At start-up the window's
// outer size becomes 3945 x 1455 twips, which shows Text1 and Command2 only;
// the other controls serve as working storage or lie out of view.

#include <array>
#include <string_view>

#include "ui/status_texts.h"

namespace quill::layout {

enum class ControlKind { TextBox, Button, ListBox, RichText };

enum ControlId : int {
    kText1 = 101,
    kCommand2 = 102,
    kList1 = 103,
    kCommand3 = 104,
    kList2 = 105,
    kList3 = 106,
    kRichTextBox1 = 107,
};

struct Control {
    ControlId id;
    std::u16string_view name;
    ControlKind kind;
    std::u16string_view text;
    int left, top, width, height;
};

inline constexpr int kClientWidth = 7995;
inline constexpr int kClientHeight = 7260;
inline constexpr int kTwipsPerInch = 1440;

// In tab order: Text1, Command2, List1, List2, Command3, RichTextBox1, List3.
inline constexpr std::array<Control, 7> kControls{{
    {kText1, u"Text1", ControlKind::TextBox, texts::kPrompt, 120, 120, 3615, 270},
    {kCommand2, u"Command2", ControlKind::Button, texts::kStart, 120, 480, 3615, 375},
    {kList1, u"List1", ControlKind::ListBox, u"", 120, 1920, 9255, 780},
    {kList2, u"List2", ControlKind::ListBox, u"", 120, 2760, 9255, 780},
    {kCommand3, u"Command3", ControlKind::Button, texts::kTextOnly, 3960, 2160, 975, 375},
    {kRichTextBox1, u"RichTextBox1", ControlKind::RichText, u"", 120, 4440, 19995, 2175},
    {kList3, u"List3", ControlKind::ListBox, u"", 120, 3600, 9255, 600},
}};

}  // namespace quill::layout
