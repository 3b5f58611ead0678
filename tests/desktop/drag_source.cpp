// The file manager's part in the desktop test: a small window that drags the
// files named on its command line (as text/uri-list, offering a copy, a move
// or a link, as file managers do) from the moment a mouse button is pressed
// on it. It prints, one line each, what the drop target answers while the
// drag goes on ("action: copy") and how the drag ended ("dropped: copy", or
// "dropped: none" when nothing took it).
//
//   quill_drag_source FILE...

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

const char* actionName(Qt::DropAction action) {
    switch (action) {
        case Qt::CopyAction:
            return "copy";
        case Qt::MoveAction:
            return "move";
        case Qt::LinkAction:
            return "link";
        default:
            return "none";
    }
}

void say(const char* what, Qt::DropAction action) {
    std::printf("%s: %s\n", what, actionName(action));
    std::fflush(stdout);
}

class DragSource final : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("quill-drag-source"));
        resize(160, 120);
    }

protected:
    void mousePressEvent(QMouseEvent* /*event*/) override {
        auto* drag = new QDrag(this);
        auto* files = new QMimeData;
        files->setUrls(urls_);
        drag->setMimeData(files);
        connect(drag, &QDrag::actionChanged, this, [](Qt::DropAction action) { say("action", action); });
        say("dropped", drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction));
    }

private:
    QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
    const QApplication app(argc, argv);
    // The names' own bytes, which need not be UTF-8, percent-encoded.
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i) {
        urls.push_back(QUrl::fromEncoded("file://" + QByteArray(argv[i]).toPercentEncoding("/")));
    }
    DragSource window(std::move(urls));
    window.show();
    return QApplication::exec();
}
