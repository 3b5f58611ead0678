// The Linux program: one window, Form1, on Qt 6 Widgets.

#include <QApplication>
#include <QIcon>

#include <cstdio>

#include "native_files.h"
#include "program.h"
#include "ui/status_texts.h"

int main(int argc, char** argv) {
    // Qt takes its own options out of argc and argv.
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
    // What is left of the arguments once Qt has taken its own: files (Open
    // With, a file manager's drop on the program), their names as bytes.
    std::vector<std::u16string> files;
    for (int i = 1; i < argc; ++i) {
        std::u16string file = quill::absoluteName(argv[i]);
        if (!file.empty()) files.push_back(std::move(file));
    }
    quill::qt::Program program(quill::qt::localeCodePage());
    switch (program.start(std::move(files))) {
        case quill::qt::Program::Started::Running:
            return QApplication::exec();
        case quill::qt::Program::Started::Ended:
            return 0;
        case quill::qt::Program::Started::HandOverFailed:
            break;
    }
    std::fprintf(stderr, "quillmark: %s\n",
                 QString::fromUtf16(quill::texts::kHandOverFailed.data(),
                                    static_cast<qsizetype>(quill::texts::kHandOverFailed.size()))
                     .toLocal8Bit()
                     .constData());
    return 1;
}
