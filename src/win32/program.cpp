#include "program.h"

namespace quill::win32 {

// The window's events reach the form only once the program is constructed:
// the window delivers none before it is made.
Program::Program(HINSTANCE instance, bool quitOnClose, std::wstring consoleCommand)
    : window_(instance, quitOnClose,
              MainWindow::Events{
                  .drop = [this](DropOn target,
                                 DropData files) { form_.OLEDragDrop(target, std::move(files)); },
                  .command2Click = [this] { form_.Command2_Click(); },
                  .command3Click = [this] { form_.Command3_Click(); },
                  .closeRequest = [this] { form_.Form_QueryUnload(); },
                  .unload = [this] { form_.Form_Unload(); },
              }),
      platform_(window_, std::move(consoleCommand)),
      form_(platform_) {}

Program::Started Program::start(int showCommand, std::vector<std::u16string> files) {
    if (!window_.create()) return Started::NoWindow;
    form_.Form_Load();
    if (!window_.hwnd()) {
        // Another instance runs: the window closed before it was shown.
        return form_.OpenFiles(std::move(files)) ? Started::Ended : Started::HandOverFailed;
    }
    window_.show(showCommand);
    (void)form_.OpenFiles(std::move(files));
    return Started::Running;
}


}  // namespace quill::win32
