#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path` whole or not at all. A regular file (or a new one) is written through a
// temporary file renamed over it, so that a failure leaves the old file as it was. A path that
// names something else, such as a device or a pipe (/dev/stdout, a FIFO), is written to as it is
// and never replaced by a file. Returns the reason when the bytes did not all arrive; empty when
// they did.
QString SaveWholeFile(const QString& path, const QByteArray& bytes);
