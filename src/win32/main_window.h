#pragma once
// The window Form1: its controls laid out in twips, its three drop targets,
// and the events it passes on (to the program, src/win32/program.h).

#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <utility>

#include "drop_target.h"
#include "scoped.h"
#include "ui/layout.h"
#include "window_base.h"

namespace quill::win32 {

class MainWindow final : public BaseWindow<MainWindow> {
public:
    static constexpr const wchar_t* kClassName = L"QuillmarkForm1";

    // What the window passes on. A drop's files arrive once the drop itself
    // has been answered, so that the drag source is not kept waiting; files
    // handed over by a later start arrive as a drop on the window.
    struct Events {
        std::function<void(DropOn, DropData)> drop;
        std::function<void()> command2Click;
        std::function<void()> command3Click;
        std::function<void()> closeRequest;  // the window stays until the program closes it
        std::function<void()> unload;        // the window is being destroyed
    };

    // quitOnClose: closing the window ends the thread's message loop.
    MainWindow(HINSTANCE instance, bool quitOnClose, Events events);
    ~MainWindow() override;

    // Creates the window and its controls, not yet shown; false when it
    // could not be made.
    [[nodiscard]] bool create();
    void show(int showCommand);
    // Destroys the window, if it stands.
    void destroy();

    [[nodiscard]] HWND control(layout::ControlId id) const;
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
    Events events_;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool destroying_ = false;
    UniqueModule richEdit_;
    UniqueFont font_;
    std::array<HWND, layout::kControls.size()> controls_{};
    DropTarget formTarget_;
    DropTarget command2Target_;
    DropTarget text1Target_;
    std::deque<std::pair<DropOn, DropData>> drops_;
};

}  // namespace quill::win32
