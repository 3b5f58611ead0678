// The Linux program as a whole on Qt's offscreen platform: a document
// dropped on Form1 and converted through the program's own console by a
// converter stand-in, its page written in UTF-8; and the keys of that
// console.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "program.h"
#include "ui/status_texts.h"

namespace quill::qt {

class ProgramTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void aDroppedDocumentBecomesAPage() {
        // The converter stand-in writes the text beside its source.
        write(u"xdoc2txt"_qs, "#!/bin/sh\nprintf '第一行 & <line>\\n' > \"${2%.*}.txt\"\n");
        QVERIFY(QFile::setPermissions(path(u"xdoc2txt"_qs),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        write(u"it's a $doc.doc"_qs, "");

        Program program(nullptr,  // UTF-8
                        {.program = dir_.path(), .runtime = dir_.path()});
        QVERIFY(program.start());
        // Only one program at a time.
        Program second(std::make_shared<const IconvCodePage>(932),
                       {.program = dir_.path(), .runtime = dir_.path()});
        QVERIFY(!second.start());

        const QString source = path(u"it's a $doc.doc"_qs);
        program.form().Form_OLEDragDrop(
            DropData{true,
                     {{reinterpret_cast<const char16_t*>(source.utf16()),
                       static_cast<std::size_t>(source.size())}}});
        QVERIFY(program.window().command2().isEnabled());
        program.window().command2().click();  // returns once the run is over

        QFile page(path(u"it's a $doc.html"_qs));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray written = page.readAll();
        QVERIFY(written.contains("charset=utf-8"));
        QVERIFY(written.contains("第一行 &amp; &lt;line&gt;"));
        QCOMPARE(program.window().text1().text(), QStringView(texts::kPrompt).toString());
        QCOMPARE(program.window().command2().text(), QStringView(texts::kStart).toString());
        QCOMPARE(program.window().windowTitle(), QStringView(texts::kIdleCaption).toString());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"exit"_qs);
        QVERIFY(program.platform().console()->ended());
    }

    // Keys go to the run's console only, in the two notations the core
    // uses; ending it drops the commands still waiting and lets the running
    // one finish.
    void keysReachOnlyTheConsoleAndEndingItDropsWhatWaits() {
        MainWindow window(MainWindow::Events{});
        QtPlatform platform(window, nullptr, {.program = dir_.path(), .runtime = dir_.path()});
        QVERIFY(platform.startConsole());
        const WindowHandle console = platform.consoleWindow();
        QVERIFY(console != 0);
        QCOMPARE(platform.foregroundWindow(), console);
        QCOMPARE(platform.sendKeys(u"% ep", console + 1), KeyDelivery::Failed);
        QCOMPARE(platform.sendKeys(u"^v", console), KeyDelivery::Failed);

        const QString first = path(u"first"_qs), second = path(u"second"_qs);
        QVERIFY(platform.putClipboardText(u"sleep 1; touch '" + first.toStdU16String() +
                                          u"'\ntouch '" + second.toStdU16String() + u"'\n"));
        QCOMPARE(platform.sendKeys(u"% ep", console), KeyDelivery::Delivered);
        platform.endConsole(std::chrono::seconds(30));
        QVERIFY(QFile::exists(first));
        QVERIFY(!QFile::exists(second));
        QVERIFY(platform.consoleWindow() == 0);
        QVERIFY(platform.foregroundWindow() != console);
        QCOMPARE(platform.sendKeys(u"{ENTER}", console), KeyDelivery::ForegroundLost);
    }
};

}  // namespace quill::qt

QTEST_MAIN(quill::qt::ProgramTest)
#include "program_test.moc"
