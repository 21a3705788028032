#include "device/replyreader.h"

QList<QByteArray> ReplyReader::feed(const QByteArray &) { return {}; }
void ReplyReader::clear() { buffer.clear(); headDelivered = false; }
