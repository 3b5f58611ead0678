#include "main_window.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "native_files.h"

namespace quill::qt {

namespace {
const layout::Control& controlOf(layout::ControlId id) {
    for (const layout::Control& control : layout::kControls) {
        if (control.id == id) return control;
    }
    return layout::kControls.front();
}

// Whether a drag is one the window takes: files. It reports a copy, else a
// link, else nothing; never a move, after which the source might delete what
// the program has only read.
bool takeDrag(QDropEvent& event) {
    if (!event.mimeData() || !event.mimeData()->hasUrls()) return false;
    const Qt::DropActions offered = event.possibleActions();
    event.setDropAction(offered & Qt::CopyAction   ? Qt::CopyAction
                        : offered & Qt::LinkAction ? Qt::LinkAction
                                                   : Qt::IgnoreAction);
    event.accept();
    return true;
}
}  // namespace

DropData localFiles(const QMimeData& dropped) {
    DropData drop;
    drop.hasFileList = dropped.hasUrls();
    for (const QUrl& url : dropped.urls()) {
        if (!url.isLocalFile()) continue;
        // The name's own bytes, which need not be UTF-8.
        const QByteArray bytes = QByteArray::fromPercentEncoding(
            url.path(QUrl::FullyEncoded).toLatin1());
        drop.files.push_back(nameFromBytes(bytes.toStdString()));
    }
    return drop;
}

MainWindow::MainWindow(Events events) : events_(std::move(events)) {
    setAcceptDrops(true);
    for (QWidget* target : {static_cast<QWidget*>(&text1_), static_cast<QWidget*>(&command2_)}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    QWidget::setTabOrder(&text1_, &command2_);
    QWidget::setTabOrder(&command2_, &command3_);
    connect(&command2_, &QPushButton::clicked, this, [this] { events_.command2Click(); });
    connect(&command3_, &QPushButton::clicked, this, [this] { events_.command3Click(); });
    placeControls();
    // The whole client area; the program shrinks it to the strip at start-up.
    resize(twipsToPixels(layout::kClientWidth), twipsToPixels(layout::kClientHeight));
}

int MainWindow::twipsToPixels(int twips) const {
    return twips * logicalDpiX() / layout::kTwipsPerInch;
}

void MainWindow::placeControls() {
    const auto place = [this](QWidget& widget, layout::ControlId id) {
        const layout::Control& c = controlOf(id);
        widget.setGeometry(twipsToPixels(c.left), twipsToPixels(c.top), twipsToPixels(c.width),
                           twipsToPixels(c.height));
    };
    place(text1_, layout::kText1);
    place(command2_, layout::kCommand2);
    place(command3_, layout::kCommand3);
}

void MainWindow::setOuterSizeTwips(int width, int height) {
    // The frame's part of the outer size is known once the window manager
    // has framed the window, which then moves it; until then the size is
    // the client area's.
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(twipsToPixels(width) - frame.width(), twipsToPixels(height) - frame.height());
    if (frame.isNull()) {
        unframedOuter_ = QSize(width, height);
    } else {
        unframedOuter_.reset();
    }
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (unframedOuter_ && frameGeometry().size() != geometry().size()) {
        setOuterSizeTwips(unframedOuter_->width(), unframedOuter_->height());
    }
}

void MainWindow::closeForGood() {
    closing_ = true;
    close();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const DropOn target = watched == &text1_ ? DropOn::Text1 : DropOn::Command2;
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
            if (!takeDrag(*static_cast<QDropEvent*>(event))) event->ignore();
            return true;
        case QEvent::Drop: {
            auto& drop = *static_cast<QDropEvent*>(event);
            if (takeDrag(drop)) deliver(target, localFiles(*drop.mimeData()));
            return true;
        }
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!takeDrag(*event)) event->ignore();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!takeDrag(*event)) event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (takeDrag(*event)) deliver(DropOn::Form, localFiles(*event->mimeData()));
}

void MainWindow::deliver(DropOn target, DropData files) {
    QTimer::singleShot(0, this, [this, target, files = std::move(files)]() mutable {
        events_.drop(target, std::move(files));
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The program decides: it closes the window with closeForGood().
    event->ignore();
    events_.closeRequest();
}

}  // namespace quill::qt
