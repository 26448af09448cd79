#pragma once

#include "classroom/round/httprequest.h"

#include <QByteArray>

namespace classroom {

// The pupils' web page as the round's port serves it: the page, its script, its style and its
// icon, from the program's own resources, to GET and HEAD; any other path is not found and any
// other method not allowed. Nothing is ever read from the disk.
// webSocket is the round's own "ws://ADDRESS:PORT", the one address the page may connect to.
QByteArray pageResponse(const RequestHead &request, const QByteArray &webSocket = {});

} // namespace classroom
