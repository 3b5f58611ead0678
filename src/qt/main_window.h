#pragma once
// The window Form1 on Qt: Text1, Command2 and the out-of-view Command3 laid
// out in twips through the screen's logical DPI, started as the strip that
// shows Text1 and Command2 only; its three drop targets (the window, Command2,
// Text1), which take the local files of a drop and report it as a copy; and
// the events it passes on. The lists and the rich-text box of the Windows
// window are working storage that the program keeps itself.

#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>

#include "intake/drop_intake.h"
#include "ui/layout.h"

namespace quill::qt {

class MainWindow final : public QWidget {
public:
    // What the window passes on. A drop's files arrive once the drop itself
    // has been answered, so that the dragging program is not kept waiting.
    struct Events {
        std::function<void(DropOn, DropData)> drop;
        std::function<void()> command2Click;
        std::function<void()> command3Click;
        std::function<void()> closeRequest;  // the window stays until the program closes it
    };

    explicit MainWindow(Events events);

    [[nodiscard]] QLineEdit& text1() noexcept { return text1_; }
    [[nodiscard]] QPushButton& command2() noexcept { return command2_; }
    [[nodiscard]] QPushButton& command3() noexcept { return command3_; }
    [[nodiscard]] int twipsToPixels(int twips) const;
    // The window's outer size in twips, as the program sets it at start-up;
    // set again once the window manager has framed the window.
    void setOuterSizeTwips(int width, int height);
    // Closes the window for good: no close request is asked of the program.
    void closeForGood();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void placeControls();
    void deliver(DropOn target, DropData files);

    Events events_;
    QLineEdit text1_{this};
    QPushButton command2_{this};
    QPushButton command3_{this};
    bool closing_ = false;
    std::optional<QSize> unframedOuter_;  // in twips, until the frame is known
};

// The local files of dropped data (file URLs of text/uri-list), in the order
// delivered; anything else is left out. hasFileList: the data offers URLs.
[[nodiscard]] DropData localFiles(const QMimeData& dropped);

}  // namespace quill::qt
