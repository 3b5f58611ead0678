// The Linux program as a whole on an X display with a window manager: a
// document dropped on Form1 and converted through the program's own console
// by a converter stand-in, its page written in UTF-8, the window below the
// console during the run and on top again after it; and the keys of that
// console.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "native_files.h"
#include "program.h"
#include "ui/layout.h"
#include "ui/status_texts.h"

namespace quill::qt {

class ProgramTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    QByteArray read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // What the window manager says of a window's state ("" for the root's).
    static QString xprop(WId window, const QString& property) {
        QProcess xprop;
        xprop.start(u"xprop"_qs, window ? QStringList{u"-id"_qs, QString::number(window), property}
                                        : QStringList{u"-root"_qs, property});
        xprop.waitForFinished();
        return QString::fromUtf8(xprop.readAllStandardOutput());
    }

    // Sends bytes to the socket from a process of its own (as the user uid,
    // if given) and keeps the window's events going meanwhile: whether the
    // program answered that it took them.
    static bool handedOver(const QByteArray& socket, const QByteArray& bytes, uid_t uid = 0) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0))
                ::_exit(2);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, socket.constData(),
                        std::min(sizeof address.sun_path - 1, static_cast<std::size_t>(socket.size())));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(3);
            if (::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) != bytes.size())
                ::_exit(4);
            char answer = 0;
            ::_exit(::read(fd, &answer, 1) == 1 && answer == 1 ? 0 : 1);
        }
        int status = -1;
        for (int i = 0; i < 2000 && ::waitpid(child, &status, WNOHANG) != child; ++i) {
            QTest::qWait(10);  // a safety limit: the program answers or hangs up at once
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private slots:
    void aDroppedDocumentBecomesAPage() {
        // The converter stand-in notes the stacking while it runs and writes
        // the text beside its source.
        // Asked to prepare for the dropped files, it notes them. The window
        // manager applies a stacking change in its own time, and the run no
        // longer pauses before its first command: the stand-in gives it up
        // to 5 s to take the window off the top.
        write(u"xdoc2txt"_qs,
              "#!/bin/sh\n[ \"$1\" = --warm ] && { shift; echo \"$@\" > \"$0.warm\"; exit; }\n"
              "i=0; while [ $i -lt 50 ] && xprop -id \"$QUILL_WINDOW\" _NET_WM_STATE |"
              " grep -q _NET_WM_STATE_ABOVE; do sleep 0.1; i=$((i+1)); done\n"
              "xprop -id \"$QUILL_WINDOW\" _NET_WM_STATE > \"$0.state\"\n"
              "xprop -root _NET_CLIENT_LIST_STACKING > \"$0.stacking\"\n"
              "printf '第一行 & <line> %s\\n' \"$XDOC2TXT_ENCODING\" > \"${2%.*}.txt\"\n");
        QVERIFY(QFile::setPermissions(path(u"xdoc2txt"_qs),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        write(u"it's a $doc.doc"_qs, "");

        Program program(nullptr,  // UTF-8
                        {.program = dir_.path(), .runtime = dir_.path()});
        QVERIFY(program.start() == Program::Started::Running);
        QCOMPARE(program.window().windowTitle(), QStringView(texts::kIdleCaption).toString());
        QCOMPARE(program.window().text1().text(), QStringView(texts::kPrompt).toString());
        QCOMPARE(program.window().command2().text(), QStringView(texts::kStart).toString());
        QVERIFY(!program.window().command2().isEnabled());
        QCOMPARE(program.window().command3().text(), QStringView(texts::kTextOnly).toString());
        const WId window = program.window().winId();
        qputenv("QUILL_WINDOW", QByteArray::number(window));
        QTRY_VERIFY(xprop(window, u"_NET_WM_STATE"_qs).contains(u"_NET_WM_STATE_ABOVE"));
        // The strip's outer size, frame included, once the window is framed.
        const MainWindow& shown = program.window();
        QTRY_VERIFY(shown.frameGeometry().size() != shown.geometry().size());
        QTRY_COMPARE(shown.frameGeometry().size(),
                     QSize(shown.twipsToPixels(layout::kStripWidth),
                           shown.twipsToPixels(layout::kStripHeight)));
        // Only one program at a time.
        Program second(std::make_shared<const IconvCodePage>(932),
                       {.program = dir_.path(), .runtime = dir_.path()});
        QVERIFY(second.start() == Program::Started::Ended);

        // Dropped on the window, which has the converter prepare for it.
        const QString source = path(u"it's a $doc.doc"_qs);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(source)});
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&program.window(), &enter);
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&program.window(), &drop);
        QTRY_VERIFY(program.window().command2().isEnabled());
        QTRY_COMPARE(read(u"xdoc2txt.warm"_qs), source.toUtf8() + '\n');
        program.window().command2().click();  // returns once the run is over

        QFile page(path(u"it's a $doc.html"_qs));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray written = page.readAll();
        QVERIFY(written.contains("charset=utf-8"));
        QVERIFY(written.contains("第一行 &amp; &lt;line&gt; UTF-8"));  // the encoding asked
        QCOMPARE(program.window().text1().text(), QStringView(texts::kPrompt).toString());
        QCOMPARE(program.window().command2().text(), QStringView(texts::kStart).toString());
        QCOMPARE(program.window().windowTitle(), QStringView(texts::kIdleCaption).toString());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"exit"_qs);
        QVERIFY(program.platform().console()->ended());

        // During the run the window was neither on top nor above the console.
        QFile during(path(u"xdoc2txt.state"_qs)), stacking(path(u"xdoc2txt.stacking"_qs));
        QVERIFY(during.open(QIODevice::ReadOnly) && stacking.open(QIODevice::ReadOnly));
        QVERIFY(!during.readAll().contains("_NET_WM_STATE_ABOVE"));
        QVERIFY(!stacking.readAll().trimmed().endsWith(
            "0x" + QByteArray::number(static_cast<qulonglong>(window), 16)));
        QTRY_VERIFY(xprop(window, u"_NET_WM_STATE"_qs).contains(u"_NET_WM_STATE_ABOVE"));
    }

    // Files named on the command line are a drop; so are those a later start
    // hands over, and nothing else that reaches the socket.
    void handedFilesAreADropAndNothingElseIs() {
        write(u"a.doc"_qs, "");
        Program program(nullptr, {.program = dir_.path(), .runtime = dir_.path()});
        QVERIFY(program.start({path(u"a.doc"_qs).toStdU16String()}) == Program::Started::Running);
        QTRY_COMPARE(program.form().list2().count(), 1);
        QCOMPARE(program.window().text1().text(), QStringView(texts::kReady).toString());
        program.window().text1().clear();

        const QByteArray socket = QFile::encodeName(path(u"quillmark.socket"_qs));
        const auto message = [](const QByteArray& paths) {
            QByteArray length(4, '\0');
            for (int i = 0; i < 4; ++i) length[i] = static_cast<char>(paths.size() >> (8 * i));
            return length + paths;
        };
        // A name with CR, LF and a byte that is no UTF-8 (Shift-JIS), carried exactly.
        const QByteArray b = QFile::encodeName(dir_.path()) + "/b\r\n\x82\xa0.doc";
        QVERIFY(!handedOver(socket, "\x01\x02garbage"));
        QVERIFY(!handedOver(socket, message(b)));                                 // no NUL at its end
        QVERIFY(!handedOver(socket, message(QByteArrayLiteral("b.doc\0"))));      // relative
        QVERIFY(!handedOver(socket, QByteArray("\xFF\xFF\xFF\x7F") + b + '\0'));  // over-long
        if (::geteuid() == 0) {
            // Another user who could reach the socket is not listened to.
            QVERIFY(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ExeOwner | QFile::ExeOther));
            QVERIFY(::chmod(socket.constData(), 0777) == 0);
            QVERIFY(!handedOver(socket, message(b + '\0'), 65534));
        }
        QCOMPARE(program.form().list2().count(), 1);
        QVERIFY(program.window().text1().text().isEmpty());

        QVERIFY(handedOver(socket, message(b + '\0')));
        QCOMPARE(program.form().list2().count(), 2);
        QVERIFY(program.form().list2().item(1) == nameFromBytes(b.toStdString()));
        QCOMPARE(program.window().text1().text(), QStringView(texts::kReady).toString());
    }

    // Lines go to the run's console only, as given; ending it drops the
    // commands still waiting and lets the running one finish.
    void linesReachOnlyTheConsoleAndEndingItDropsWhatWaits() {
        MainWindow window(MainWindow::Events{});
        QtPlatform platform(window, nullptr, {.program = dir_.path(), .runtime = dir_.path()});
        QVERIFY(platform.startConsole());
        const WindowHandle console = platform.consoleWindow();
        QVERIFY(console != 0);
        QVERIFY(platform.atFront(console));
        QCOMPARE(platform.pasteLine(u"true\n", console + 1), KeyDelivery::Failed);

        const QString first = path(u"first"_qs), second = path(u"second"_qs);
        QCOMPARE(platform.pasteLine(u"sleep 1; touch '" + first.toStdU16String() + u"'\ntouch '" +
                                        second.toStdU16String() + u"'\n",
                                    console),
                 KeyDelivery::Delivered);
        QCOMPARE(QGuiApplication::clipboard()->text().left(8), u"sleep 1;"_qs);
        platform.endConsole(std::chrono::seconds(30));
        QVERIFY(QFile::exists(first));
        QVERIFY(!QFile::exists(second));
        QVERIFY(platform.consoleWindow() == 0);
        QVERIFY(!platform.atFront(console));
        QCOMPARE(platform.pressEnter(console), KeyDelivery::ForegroundLost);
    }
};

}  // namespace quill::qt

QTEST_MAIN(quill::qt::ProgramTest)
#include "program_test.moc"
