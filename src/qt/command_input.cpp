#include "command_input.h"

namespace quill::qt {

QStringList CommandInput::type(QStringView text) {
    QStringList completed;
    for (const QChar c : text) {
        const bool lfOfCrLf = afterCr_ && c == u'\n';
        afterCr_ = false;
        if (lfOfCrLf) continue;
        if (c != u'\r' && c != u'\n') {
            pending_ += c;
        } else if (pendingIsComplete()) {
            if (!pending_.trimmed().isEmpty()) completed.push_back(pending_);
            pending_.clear();
            afterCr_ = c == u'\r';
        } else {
            pending_ += c;  // quoted: the name's own character
        }
    }
    return completed;
}

bool CommandInput::pendingIsComplete() const {
    enum class Quote { None, Single, Double } quote = Quote::None;
    for (qsizetype i = 0; i < pending_.size(); ++i) {
        const QChar c = pending_[i];
        switch (quote) {
            case Quote::None:
                if (c == u'\\') {
                    if (++i == pending_.size()) return false;  // the line end is escaped
                } else if (c == u'\'') {
                    quote = Quote::Single;
                } else if (c == u'"') {
                    quote = Quote::Double;
                }
                break;
            case Quote::Single:
                if (c == u'\'') quote = Quote::None;
                break;
            case Quote::Double:
                if (c == u'\\') {
                    ++i;
                } else if (c == u'"') {
                    quote = Quote::None;
                }
                break;
        }
    }
    return quote == Quote::None;
}

}  // namespace quill::qt
