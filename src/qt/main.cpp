// The Linux program: one window, Form1, on Qt 6 Widgets.

#include <QApplication>
#include <memory>

#include "program.h"

int main(int argc, char** argv) {
    const QApplication app(argc, argv);
    // Texts are read and pages written in Shift-JIS (932), the code page of
    // a Japanese locale. UTF-8 is not yet one the program can read and
    // write: its texts have characters of up to four bytes, where the text
    // loader knows two at most.
    const auto codePage = std::make_shared<const quill::IconvCodePage>(932);
    quill::qt::Program program(codePage);
    if (!program.start()) return 0;
    return QApplication::exec();
}
