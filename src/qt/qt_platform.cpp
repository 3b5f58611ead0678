#include "qt_platform.h"

#include <langinfo.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "native_files.h"

namespace quill::qt {

namespace {
QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string u16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// How often a wait looks again at what it waits for.
constexpr int kPollMs = 20;
}  // namespace

QtPlatform::QtPlatform(MainWindow& window, std::shared_ptr<const IconvCodePage> codePage,
                       Folders folders)
    : window_(window), codePage_(std::move(codePage)), folders_(std::move(folders)) {}

QtPlatform::~QtPlatform() = default;

ConsoleWindow* QtPlatform::console() const noexcept {
    return consoles_.empty() ? nullptr : consoles_.back().get();
}

ConsoleWindow* QtPlatform::openConsole() const noexcept {
    ConsoleWindow* latest = console();
    return latest != nullptr && latest->isVisible() && !latest->ended() ? latest : nullptr;
}

template <typename Done>
bool QtPlatform::runEventsUntil(Done done, std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired()) return done();
        QEventLoop loop;
        const auto left = std::min<qint64>(deadline.remainingTime(), kPollMs);
        QTimer::singleShot(static_cast<int>(left), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void QtPlatform::setCaption(std::u16string_view text) {
    window_.setWindowTitle(qs(text));
}

void QtPlatform::setText1(std::u16string_view text) {
    window_.text1().setText(qs(text));
}

void QtPlatform::setCommand2Caption(std::u16string_view text) {
    window_.command2().setText(qs(text));
}

void QtPlatform::setCommand2Enabled(bool enabled) {
    window_.command2().setEnabled(enabled);
}

void QtPlatform::setCommand3Caption(std::u16string_view text) {
    window_.command3().setText(qs(text));
}

// A shown window changes its state in place (the widget's own flags would
// make a new native window, hidden and shown again); one not yet made takes
// the flag when it is made.
void QtPlatform::setStacking(Stacking order) {
    const Qt::WindowFlags flags =
        window_.windowFlags().setFlag(Qt::WindowStaysOnTopHint, order == Stacking::Topmost);
    if (QWindow* shown = window_.windowHandle()) {
        shown->setFlags(flags);
        window_.overrideWindowFlags(flags);
    } else {
        window_.setWindowFlags(flags);
    }
    if (order == Stacking::Bottom) window_.lower();
}

void QtPlatform::setOuterSizeTwips(int width, int height) {
    window_.setOuterSizeTwips(width, height);
}

// The lock is held for the program's life; a lock left by a program that
// died is taken over.
QString QtPlatform::runtimeFolder() const {
    if (!folders_.runtime.isEmpty()) return folders_.runtime;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool QtPlatform::anotherInstanceRunning() {
    if (lock_) return false;
    const QDir folder(runtimeFolder());
    lock_.emplace(folder.filePath(QString::fromUtf16(kLockName)));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return true;
    }
    if (takeHandedFiles_) {
        handOverServer_.emplace(takeHandedFiles_);
        const QString socket = folder.filePath(QString::fromUtf16(HandOverServer::kSocketName));
        if (!handOverServer_->listen(socket)) {
            qWarning("quillmark: no later start can hand files over: %s cannot be listened at",
                     qPrintable(socket));
        }
    }
    return false;
}

bool QtPlatform::handToRunningInstance(const std::vector<std::u16string>& files) {
    constexpr auto kLimit = std::chrono::seconds(10);
    return handOver(QDir(runtimeFolder()).filePath(QString::fromUtf16(HandOverServer::kSocketName)),
                    files, kLimit);
}

std::u16string QtPlatform::executableDirectory() {
    if (!folders_.program.isEmpty()) return u16(QDir::cleanPath(folders_.program));
    const QString real = QFileInfo(u"/proc/self/exe"_qs).canonicalFilePath();
    if (real.isEmpty()) return u16(QCoreApplication::applicationDirPath());
    return u16(QFileInfo(real).absolutePath());
}

void QtPlatform::prepareConverter(const std::vector<std::u16string>& files) {
    QStringList args{u"--warm"_qs};
    for (const std::u16string& file : files) {
        // A name whose bytes are no UTF-8 cannot be an argument here: it is
        // converted in its turn without this head start.
        const QString name = qs(file);
        if (name.toUtf8().toStdString() == toUtf8(file)) args.push_back(name);
    }
    if (args.size() == 1) return;
    const QString converter = QDir(qs(executableDirectory())).filePath(u"xdoc2txt"_qs);
    (void)QProcess::startDetached(converter, args);
}

void QtPlatform::closeAllWindows() {
    closed_ = true;
    window_.closeForGood();
    for (const auto& console : consoles_) console->close();
}

void QtPlatform::doEvents() {
    QCoreApplication::processEvents();
}

void QtPlatform::sleep(std::uint32_t milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(milliseconds), &loop, &QEventLoop::quit);
    loop.exec();
}

bool QtPlatform::startConsole() {
    // Consoles that have ended are no longer needed.
    std::erase_if(consoles_, [](const auto& console) { return console->ended(); });
    // The converter writes its texts in the code page they are read in.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDOC2TXT_ENCODING"_qs,
                       codePage_ ? u"CP"_qs + QString::number(codePage_->codePage()) : u"UTF-8"_qs);
    consoles_.push_back(std::make_unique<ConsoleWindow>(std::move(environment)));
    consoles_.back()->show();
    return true;
}

WindowHandle QtPlatform::consoleWindow() {
    return reinterpret_cast<WindowHandle>(openConsole());
}

bool QtPlatform::waitForConsoleExit(std::chrono::milliseconds limit) {
    ConsoleWindow* const latest = console();
    if (latest == nullptr) return true;
    return runEventsUntil([latest] { return latest->ended(); }, limit);
}

// Commands still waiting are dropped; the one running may finish before the
// console closes.
void QtPlatform::endConsole(std::chrono::milliseconds limit) {
    ConsoleWindow* const latest = console();
    if (latest == nullptr || latest->ended()) return;
    latest->dropWaiting();
    (void)runEventsUntil([latest] { return latest->idle() || latest->ended(); }, limit);
    latest->close();
}

std::vector<std::u16string> QtPlatform::environmentNames() {
    std::vector<std::u16string> names;
    for (const QString& name : QProcessEnvironment::systemEnvironment().keys()) {
        names.push_back(u16(name));
    }
    return names;
}

bool QtPlatform::leaveOnClipboard(std::u16string_view text) {
    QGuiApplication::clipboard()->setText(qs(text));
    return true;
}

template <typename Give>
KeyDelivery QtPlatform::deliverTo(WindowHandle console, Give give) {
    ConsoleWindow* const latest = this->console();
    if (latest == nullptr || console != reinterpret_cast<WindowHandle>(latest)) {
        return KeyDelivery::Failed;
    }
    if (latest->ended() || !latest->isVisible()) return KeyDelivery::ForegroundLost;
    give(*latest);
    return KeyDelivery::Delivered;
}

// The console types the text it was given: any program may change the
// system clipboard between a put and a paste.
KeyDelivery QtPlatform::pasteLine(std::u16string_view text, WindowHandle console) {
    return deliverTo(console, [&](ConsoleWindow& to) {
        (void)leaveOnClipboard(text);
        to.paste(qs(text));
    });
}

KeyDelivery QtPlatform::pressEnter(WindowHandle console) {
    return deliverTo(console, [](ConsoleWindow& to) { to.pressEnter(); });
}

bool QtPlatform::atFront(WindowHandle window) {
    ConsoleWindow* const open = openConsole();
    return open != nullptr && window == reinterpret_cast<WindowHandle>(open);
}

void QtPlatform::bringToFront(WindowHandle window) {
    ConsoleWindow* const open = openConsole();
    if (open == nullptr || window != reinterpret_cast<WindowHandle>(open)) return;
    open->raise();
    open->activateWindow();
}

std::optional<FileBytes> QtPlatform::readWholeFile(std::u16string_view path) {
    return readWholeNativeFile(path);
}

std::unique_ptr<OutputFile> QtPlatform::createFile(std::u16string_view path) {
    return createNativeFile(path);
}

FileTime QtPlatform::now() {
    return nativeNow();
}

std::optional<FileTime> QtPlatform::lastWriteTime(std::u16string_view path) {
    return nativeLastWriteTime(path);
}

// Undecodable bytes become U+FFFD.
void QtPlatform::appendAnsiAsWide(std::string_view bytes, std::u16string& text) {
    if (codePage_) {
        codePage_->appendWide(bytes, text);
        return;
    }
    text += u16(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void QtPlatform::wideToAnsi(std::u16string_view text, std::string& out) {
    if (codePage_) {
        codePage_->toAnsi(text, out);
        return;
    }
    const QByteArray bytes = qs(text).toUtf8();
    out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::shared_ptr<const IconvCodePage> localeCodePage() {
    if (QByteArray(::nl_langinfo(CODESET)).toUpper() == "UTF-8") return nullptr;
    return std::make_shared<const IconvCodePage>(932);
}

}  // namespace quill::qt
