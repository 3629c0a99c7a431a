// Feeds arbitrary reply pieces to the reply grammar and checks what it must
// never do, whatever the server sends.
#include "core/upload/replygrammar.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView piece(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<ReplyOutcome> outcomes = outcomesForReplyPiece(piece);
    const qsizetype nul = piece.indexOf('\0');
    const QByteArrayView text = nul < 0 ? piece : piece.first(nul);

    // A piece asks for at most a link dialog and then one more outcome.
    require(outcomes.size() <= 2);
    for (const ReplyOutcome &outcome : outcomes) {
        // Nothing after the first NUL is ever read.
        require(outcome.link.isEmpty() || text.contains(outcome.link));
        require(!outcome.link.contains('\0'));
        if (outcome.kind == ReplyOutcome::OpenUrl) {
            require(isOpenableWebAddress(outcome.link));
            require(outcome.link.toLower().startsWith("http://")
                    || outcome.link.toLower().startsWith("https://"));
        } else {
            require(outcome.mode >= 0 && outcome.mode <= 2);
            require(!outcome.link.contains('*'));
            require(outcome.mode != 2 || outcome.link.isEmpty());
        }
    }
    // Only the link to type comes before another outcome.
    if (outcomes.size() == 2)
        require(outcomes.at(0).kind == ReplyOutcome::StatusDialog && outcomes.at(0).mode == 1);
    return 0;
}
