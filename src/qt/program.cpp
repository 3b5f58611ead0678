#include "program.h"

#include <QTimer>

namespace quill::qt {

// The window's events reach the form only once the program is constructed:
// the window delivers none before it is shown.
Program::Program(std::shared_ptr<const IconvCodePage> codePage, QtPlatform::Folders folders)
    : window_(MainWindow::Events{
          .drop = [this](DropOn target, DropData files) { drop(target, std::move(files)); },
          .command2Click = [this] { form_.Command2_Click(); },
          .command3Click = [this] { form_.Command3_Click(); },
          .closeRequest = [this] { form_.Form_QueryUnload(); },
      }),
      platform_(window_, std::move(codePage), std::move(folders)),
      form_(platform_) {
    platform_.takeHandedFiles(
        [this](std::vector<std::u16string> files) { drop(DropOn::Form, DropData{true, std::move(files)}); });
}

Program::Started Program::start(std::vector<std::u16string> files) {
    form_.Form_Load();
    if (platform_.closed()) {
        return form_.OpenFiles(std::move(files)) ? Started::Ended : Started::HandOverFailed;
    }
    window_.show();
    if (!files.empty()) {
        // Once the event loop runs, as a drop would come.
        QTimer::singleShot(0, &window_, [this, files = std::move(files)]() mutable {
            platform_.prepareConverter(files);
            (void)form_.OpenFiles(std::move(files));
        });
    }
    return Started::Running;
}

void Program::drop(DropOn target, DropData files) {
    platform_.prepareConverter(files.files);
    form_.OLEDragDrop(target, std::move(files));
}

}  // namespace quill::qt
