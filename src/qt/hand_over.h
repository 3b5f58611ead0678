#pragma once
// Files a later start of the program hands to the running instance, over a
// local socket in the user's runtime folder that only the user can reach.
// One connection carries one message: its length in bytes (4 bytes, little
// endian), then the paths' bytes, each ended by a NUL. The receiver answers
// one byte, 1, once it has taken them; anything else it drops unanswered.

#include <QLocalServer>
#include <QString>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace quill::qt {

class HandOverServer {
public:
    using Take = std::function<void(std::vector<std::u16string> files)>;
    static constexpr char16_t kSocketName[] = u"quillmark.socket";

    explicit HandOverServer(Take take);
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    // Listens at the path, replacing a socket an ended instance left there;
    // called only by the instance that holds the program's lock.
    [[nodiscard]] bool listen(const QString& path);

private:
    void accept();

    Take take_;
    QLocalServer server_;
};

// Hands the files to the instance listening at the path, waiting up to the
// limit for it to listen and to take them; true once it has.
[[nodiscard]] bool handOver(const QString& path, const std::vector<std::u16string>& files,
                            std::chrono::milliseconds limit);

}  // namespace quill::qt
