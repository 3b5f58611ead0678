#pragma once
// What is typed into the console, gathered into command lines. A line end
// ends the command where the shell would: outside quotes and not after an
// escaping backslash. Inside them it belongs to the command, as in a shell's
// continuation line, so a quoted file name with a line break stays whole,
// CR or LF as it is. CR, LF and CR LF each end a command.

#include <QString>
#include <QStringList>

namespace quill::qt {

class CommandInput {
public:
    // Types the text; returns the commands it completed, in order (empty
    // lines are none).
    [[nodiscard]] QStringList type(QStringView text);
    // The command being typed.
    [[nodiscard]] const QString& pending() const noexcept { return pending_; }

private:
    [[nodiscard]] bool pendingIsComplete() const;

    QString pending_;
    bool afterCr_ = false;
};

}  // namespace quill::qt
