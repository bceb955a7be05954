// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a JPEG file held in memory with libjpeg-turbo. Returns a null image when the data
// is not a JPEG libjpeg can read; a corrupt file never aborts the program.
QImage decodeJpeg(const QByteArray& data);
