// The Linux program: one window, Form1, on Qt 6 Widgets.

#include <QApplication>
#include <QIcon>

#include "program.h"

int main(int argc, char** argv) {
    const QApplication app(argc, argv);
    // The installed desktop entry and icon (quillmark.desktop, quillmark.png);
    // the icon also where the install tree has it when the theme lacks it.
    QGuiApplication::setDesktopFileName(u"quillmark"_qs);
    QApplication::setWindowIcon(QIcon::fromTheme(
        u"quillmark"_qs,
        QIcon(QApplication::applicationDirPath() +
              u"/../../share/icons/hicolor/64x64/apps/quillmark.png"_qs)));
    // Texts are read and pages written in the locale's code page (QApplication
    // has set the locale from the environment).
    quill::qt::Program program(quill::qt::localeCodePage());
    if (!program.start()) return 0;
    return QApplication::exec();
}
