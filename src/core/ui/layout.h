#pragma once
// The window's controls: kind, place and size in twips on its client area,
// in tab order; and the outer size the window takes at start-up, which shows
// Text1 and Command2 only. The other controls serve as working storage or lie
// out of view. Their texts are Form1's (Form_Load).

#include <array>

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
    ControlKind kind;
    int left, top, width, height;
};

inline constexpr int kTwipsPerInch = 1440;

// The client area the controls are placed on.
inline constexpr int kClientWidth = 7995;
inline constexpr int kClientHeight = 7260;

// The window's outer size after start-up: only Text1 and Command2 in view.
inline constexpr int kStripWidth = 3945;
inline constexpr int kStripHeight = 1455;

// In tab order: Text1, Command2, List1, List2, Command3, RichTextBox1, List3.
inline constexpr std::array<Control, 7> kControls{{
    {kText1, ControlKind::TextBox, 120, 120, 3615, 270},
    {kCommand2, ControlKind::Button, 120, 480, 3615, 375},
    {kList1, ControlKind::ListBox, 120, 1920, 9255, 780},
    {kList2, ControlKind::ListBox, 120, 2760, 9255, 780},
    {kCommand3, ControlKind::Button, 3960, 2160, 975, 375},
    {kRichTextBox1, ControlKind::RichText, 120, 4440, 19995, 2175},
    {kList3, ControlKind::ListBox, 120, 3600, 9255, 600},
}};

}  // namespace quill::layout
