// What the poster does with the server's answer: each piece of the reply, as
// one read returns it, goes to this handler before the next read.
#pragma once

#include <QByteArrayView>

#include <functional>

using ReplyPieceHandler = std::function<void(QByteArrayView piece)>;
