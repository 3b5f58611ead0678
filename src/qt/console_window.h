#pragma once
// The Linux program's own console: a window that runs what is typed into it
// with /bin/sh, one command at a time and in order, and shows each command
// and what it prints while it runs. It takes keys only from the program
// itself: a paste types the clipboard's text, a line end runs the command
// typed so far, and "exit" closes the window once the commands before it
// have run. Closed by the user mid-run, it ends the running command with
// every program that command started, and runs no other.

#include <QPlainTextEdit>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <QWidget>
#include <deque>
#include <memory>

#include "command_input.h"

namespace quill::qt {

class ConsoleWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr const char16_t* kTitle = u"Quillmark コンソール";

    // The commands run in `environment`.
    explicit ConsoleWindow(
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
        QWidget* parent = nullptr);
    ~ConsoleWindow() override;
    ConsoleWindow(const ConsoleWindow&) = delete;
    ConsoleWindow& operator=(const ConsoleWindow&) = delete;

    // Keys typed into the console: a paste of the text given (which the
    // program also put on the clipboard), any text, a line end.
    void paste(QStringView text) { type(text); }
    void type(QStringView text);
    void pressEnter() { type(u"\n"); }

    // Drops the commands still waiting; the one running goes on.
    void dropWaiting() { waiting_.clear(); }
    // No command runs or waits.
    [[nodiscard]] bool idle() const noexcept { return !running_ && waiting_.empty(); }
    // What the console shows.
    [[nodiscard]] QString shown() const { return view_.toPlainText(); }
    // The console has ended: "exit" ran, or the window was closed.
    [[nodiscard]] bool ended() const noexcept { return ended_; }

signals:
    void consoleEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startNext();
    void showOutput();
    void ranOut();
    void endRunning();
    void print(const QString& text);
    void end();

    // A process is deleted once its own signal has returned.
    struct DeleteLater {
        void operator()(QObject* object) const { object->deleteLater(); }
    };

    QVBoxLayout layout_{this};
    QPlainTextEdit view_;
    CommandInput input_;
    std::deque<QString> waiting_;
    std::unique_ptr<QProcess, DeleteLater> running_;
    std::unique_ptr<QTemporaryFile> script_;  // the running command, as the shell reads it
    QStringDecoder decoder_{QStringDecoder::System};
    QProcessEnvironment environment_;
    bool ended_ = false;
};

}  // namespace quill::qt
