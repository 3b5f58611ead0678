#include "console_window.h"

#include <signal.h>
#include <unistd.h>

#include <utility>

#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QGuiApplication>

#include "native_files.h"

namespace quill::qt {

namespace {
// "exit", alone or with a status: the console's own command.
bool isExit(const QString& command) {
    const QString trimmed = command.trimmed();
    return trimmed == u"exit" || trimmed.startsWith(u"exit ");
}

// How long a command closed mid-run has to end after SIGTERM before SIGKILL.
constexpr int kTermGraceMs = 3000;
}  // namespace

ConsoleWindow::ConsoleWindow(QProcessEnvironment environment, QWidget* parent)
    : QWidget(parent), environment_(std::move(environment)) {
    setWindowTitle(QString::fromUtf16(kTitle));
    view_.setReadOnly(true);
    view_.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout_.setContentsMargins(0, 0, 0, 0);
    layout_.addWidget(&view_);
    resize(640, 360);
}

ConsoleWindow::~ConsoleWindow() {
    waiting_.clear();
    endRunning();
}

void ConsoleWindow::type(QStringView text) {
    if (ended_) return;
    for (QString& command : input_.type(text)) waiting_.push_back(std::move(command));
    startNext();
}

void ConsoleWindow::startNext() {
    if (running_ || waiting_.empty() || ended_) return;
    QString command = std::move(waiting_.front());
    waiting_.pop_front();
    print(QStringLiteral("$ ") + command + u'\n');
    if (isExit(command)) {
        waiting_.clear();
        end();
        close();
        return;
    }
    running_.reset(new QProcess);  // owned at once: deleted once its own signal has returned
    QProcess& process = *running_;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessEnvironment(environment_);
    // Its own process group, so that closing the console ends every program
    // the command started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(&process, &QProcess::readyReadStandardOutput, this, &ConsoleWindow::showOutput);
    connect(&process, &QProcess::finished, this, &ConsoleWindow::ranOut);
    // A command ended on purpose is disconnected first: every error here is
    // the system's, told on standard error.
    connect(&process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        qWarning("quillmark: console: /bin/sh: %s",
                 qPrintable(running_ ? running_->errorString() : QString()));
        if (error == QProcess::FailedToStart) ranOut();
    });
    // The command reaches the shell byte for byte, a name's bytes that are
    // no UTF-8 included: from a file of its own, not as an argument.
    script_ = std::make_unique<QTemporaryFile>();
    const std::string bytes = toUtf8(command.toStdU16String());
    if (!script_->open() || script_->write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                                static_cast<qint64>(bytes.size()) ||
        !script_->flush()) {
        qWarning("quillmark: console: the command could not be written to %s: %s",
                 qPrintable(script_->fileName()), qPrintable(script_->errorString()));
        print(QStringLiteral("quillmark: the command could not be handed to the shell\n"));
        running_.reset();
        startNext();
        return;
    }
    process.start(QStringLiteral("/bin/sh"), {script_->fileName()});
}

void ConsoleWindow::showOutput() {
    if (running_) print(decoder_.decode(running_->readAllStandardOutput()));
}

void ConsoleWindow::ranOut() {
    if (!running_) return;
    showOutput();
    running_.reset();
    script_.reset();
    startNext();
}

// SIGTERM to the command's process group, SIGKILL to what is left of it
// after a grace period.
void ConsoleWindow::endRunning() {
    if (!running_) return;
    running_->disconnect(this);
    const auto group = static_cast<pid_t>(running_->processId());
    if (group > 0) {
        ::kill(-group, SIGTERM);
        const QDeadlineTimer grace(kTermGraceMs);
        (void)running_->waitForFinished(kTermGraceMs);  // the shell, reaped
        while (::kill(-group, 0) == 0 && !grace.hasExpired()) ::usleep(20'000);
        ::kill(-group, SIGKILL);
    }
    (void)running_->waitForFinished(kTermGraceMs);
    // Silent now: it goes at once, not with the event loop's next turn.
    const std::unique_ptr<QProcess> ended(running_.release());
    script_.reset();
}

void ConsoleWindow::print(const QString& text) {
    view_.moveCursor(QTextCursor::End);
    view_.insertPlainText(text);
}

void ConsoleWindow::end() {
    if (ended_) return;
    ended_ = true;
    emit consoleEnded();
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    waiting_.clear();
    endRunning();
    end();
    event->accept();
}

}  // namespace quill::qt
