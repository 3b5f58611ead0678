// The Linux program's console on its real widget: pastes run in order as
// typed commands, "exit" closes it, any file name reaches the converter
// unchanged, and closing it mid-run ends the command with what it started.

#include <signal.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "console_window.h"
#include "converter/posix_command.h"
#include "native_files.h"

namespace quill::qt {

class ConsoleTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    QByteArray read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    // Pasted and typed text alike: a line end runs a command, commands wait
    // their turn behind a slow one, a line end within quotes does not run.
    void pastesRunInOrderAndExitClosesIt() {
        ConsoleWindow console;
        console.show();
        const QString log = path(u"log"_qs);
        console.paste(u"sleep 0.5; echo 1 >> '"_qs + log + u"'\r\n"_qs);
        console.type(u"printf '%s|' 'two\r\nlines' >> '"_qs + log + u"'\n"_qs);
        console.type(u"echo 3 >> '"_qs + log + u"'"_qs);
        QVERIFY(!console.idle());
        console.pressEnter();
        console.type(u"exit");
        console.pressEnter();
        QTRY_VERIFY_WITH_TIMEOUT(console.ended(), 30000);
        QVERIFY(console.isHidden());
        QCOMPARE(read(u"log"_qs), QByteArray("1\ntwo\r\nlines|3\n"));
        QVERIFY(console.shown().contains(u"$ exit"));
        console.type(u"echo late > '"_qs + path(u"late"_qs) + u"'\n"_qs);
        QTest::qWait(200);
        QVERIFY(!QFile::exists(path(u"late"_qs)));
    }

    void anyNameReachesTheConverterUnchanged() {
        // A converter that writes the source it was given, then a NUL.
        QDir(dir_.path()).mkdir(u"app"_qs);
        QFile converter(path(u"app/xdoc2txt"_qs));
        QVERIFY(converter.open(QIODevice::WriteOnly));
        converter.write("#!/bin/sh\nprintf '%s\\0' \"$2\" >> \"$(dirname \"$0\")/got\"\n");
        converter.close();
        converter.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const QStringList names{u"it's.doc"_qs,       u"\"q\".doc"_qs,    u"$HOME.doc"_qs,
                                u"`id`.doc"_qs,       u"a\\b.doc"_qs,     u"x;rm y.doc"_qs,
                                u"two\nlines.doc"_qs, u"会議 資料.doc"_qs, u"cr\rname.doc"_qs,
                                // Shift-JIS bytes, which are no UTF-8
                                QString::fromStdU16String(nameFromBytes("\x82\xa0sjis.doc"))};
        ConsoleWindow console;
        QByteArray expected;
        for (const QString& name : names) {
            const std::u16string line =
                posixCommandLine((path(u"app/"_qs)).toStdU16String(), path(name).toStdU16String());
            console.type(QString::fromStdU16String(line));
            expected += QByteArray::fromStdString(toUtf8(path(name).toStdU16String())) + '\0';
        }
        QTRY_VERIFY_WITH_TIMEOUT(console.idle(), 30000);
        QCOMPARE(read(u"app/got"_qs), expected);
    }

    void closingMidRunEndsTheCommandAndWhatItStarted() {
        ConsoleWindow console;
        console.show();
        console.type(QStringLiteral("cd ") + dir_.path() +
                     u"; (sleep 60; touch late) & echo $! > child; wait\n"_qs);
        console.type(u"touch never\n");
        QTRY_VERIFY_WITH_TIMEOUT(!read(u"child"_qs).isEmpty(), 30000);
        const pid_t child = read(u"child"_qs).trimmed().toInt();
        console.close();
        QVERIFY(console.ended());
        QTRY_VERIFY_WITH_TIMEOUT(::kill(child, 0) != 0, 10000);
        QVERIFY(!QFile::exists(path(u"never"_qs)));
    }
};

}  // namespace quill::qt

QTEST_MAIN(quill::qt::ConsoleTest)
#include "console_test.moc"
