// The Linux program's window on its real widgets: as it starts, and drops on
// each of its three targets.

#include <QApplication>
#include <QTest>
#include <vector>

#include "main_window.h"

namespace quill::qt {

class MainWindowTest : public QObject {
    Q_OBJECT

    std::vector<std::pair<DropOn, DropData>> drops_;
    int closeRequests_ = 0;
    MainWindow::Events events() {
        return {[this](DropOn on, DropData data) { drops_.emplace_back(on, std::move(data)); },
                [] {}, [] {}, [this] { ++closeRequests_; }};
    }

private slots:
    // Its texts are the program's (Form_Load, checked by qt.Program).
    void placesItsControlsAndAsksBeforeClosing() {
        MainWindow window(events());
        QCOMPARE(window.command2().geometry(),
                 QRect(window.twipsToPixels(120), window.twipsToPixels(480),
                       window.twipsToPixels(3615), window.twipsToPixels(375)));
        QCOMPARE(window.text1().nextInFocusChain(), &window.command2());
        window.close();  // asks the program, which has not closed it
        QCOMPARE(closeRequests_, 1);
        window.closeForGood();
    }

    // Only local files are taken, in the order delivered; a copy or a link
    // is reported, never a move.
    void eachTargetTakesTheLocalFilesOfADrop() {
        MainWindow window(events());
        window.text1().setText(u"prompt"_qs);
        window.show();
        // A disabled button takes no drop: the window beneath it does.
        window.command2().setEnabled(true);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(u"/d/会議 資料.doc"_qs), QUrl(u"https://x/y.pdf"_qs),
                      QUrl::fromLocalFile(u"/d/b.xls"_qs)});
        const std::pair<QWidget*, DropOn> targets[] = {{&window, DropOn::Form},
                                                       {&window.command2(), DropOn::Command2},
                                                       {&window.text1(), DropOn::Text1}};
        const std::pair<Qt::DropActions, Qt::DropAction> reported[] = {
            {Qt::MoveAction | Qt::CopyAction, Qt::CopyAction},
            {Qt::MoveAction | Qt::LinkAction, Qt::LinkAction},
            {Qt::MoveAction, Qt::IgnoreAction}};
        for (std::size_t i = 0; i < 3; ++i) {
            // As a drag arrives: it enters the target, then drops there.
            QDragEnterEvent enter(QPoint(2, 2), reported[i].first, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(targets[i].first, &enter);
            QDropEvent drop(QPointF(2, 2), reported[i].first, &data, Qt::LeftButton,
                            Qt::NoModifier);
            QApplication::sendEvent(targets[i].first, &drop);
            QCOMPARE(drop.dropAction(), reported[i].second);
        }
        QTRY_COMPARE(drops_.size(), std::size_t{3});
        for (std::size_t i = 0; i < 3; ++i) {
            QCOMPARE(drops_[i].first, targets[i].second);
            QCOMPARE(drops_[i].second.files,
                     (std::vector<std::u16string>{u"/d/会議 資料.doc", u"/d/b.xls"}));
        }
        QCOMPARE(window.text1().text(), u"prompt"_qs);  // no text dropped in
    }
};

}  // namespace quill::qt

QTEST_MAIN(quill::qt::MainWindowTest)
#include "main_window_test.moc"
