#pragma once

#include "classroom/round/httprequest.h"

#include <QByteArray>

namespace classroom {

// The pupils' web page as the round's port serves it: the page, its script, its style and its
// icon, from the program's own resources, to GET and HEAD; any other path is not found and any
// other method not allowed. Nothing is ever read from the disk.
QByteArray pageResponse(const RequestHead &request);

} // namespace classroom
