#pragma once
// The window Form1: its controls laid out in twips, its three drop targets,
// and the events it passes to the program's behaviour.

#include <windows.h>

#include <array>
#include <deque>
#include <utility>

#include "drop_target.h"
#include "scoped.h"
#include "ui/form1.h"
#include "ui/layout.h"
#include "win32_platform.h"
#include "window_base.h"

namespace quill::win32 {

enum class DropOn { Form, Command2, Text1 };

class MainWindow final : public BaseWindow<MainWindow> {
public:
    static constexpr const wchar_t* kClassName = L"QuillmarkForm1";

    // quitOnClose: closing the window ends the thread's message loop;
    // consoleCommand: the command line that starts a run's console.
    MainWindow(HINSTANCE instance, bool quitOnClose,
               std::wstring consoleCommand = consoleCommandLine());
    ~MainWindow() override;

    // Creates the window and its controls and runs Form_Load; shows the
    // window unless it closed there (another instance is running). False
    // when there is no window to run.
    [[nodiscard]] bool create(int showCommand);

    [[nodiscard]] HWND control(layout::ControlId id) const;
    [[nodiscard]] Form1& form() noexcept { return form_; }
    [[nodiscard]] Win32Platform& platform() noexcept { return platform_; }
    [[nodiscard]] DropTarget& dropTarget(DropOn target);
    [[nodiscard]] int dpi() const noexcept { return dpi_; }
    // The window exists and is not on its way out.
    [[nodiscard]] bool standing() const noexcept { return hwnd() != nullptr && !destroying_; }
    [[nodiscard]] int twipsToPixels(int twips) const noexcept {
        return ::MulDiv(twips, dpi_, layout::kTwipsPerInch);
    }

private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool createControls();
    void placeControls();
    void applyFont();
    void onDrop(DropOn target, DropData data);
    void deliverDrops();

    // A drop's paths wait in drops_ until the window's own message delivers
    // them, so that the drag source is not kept waiting by the drop handler.
    static constexpr UINT kDeliverDrops = WM_APP + 1;

    HINSTANCE instance_;
    bool quitOnClose_;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool destroying_ = false;
    UniqueModule richEdit_;
    UniqueFont font_;
    std::array<HWND, layout::kControls.size()> controls_{};
    DropTarget formTarget_;
    DropTarget command2Target_;
    DropTarget text1Target_;
    std::deque<std::pair<DropOn, DropData>> drops_;
    Win32Platform platform_;
    Form1 form_;
};

}  // namespace quill::win32
