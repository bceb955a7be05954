// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// Page indices of the main page control PageControl1. A hidden page keeps its index, and the
// dispatch routes by these indices.
namespace page {
enum Index {
    Product = 0,
    ReaderParameters = 1,  // sub-pages: 0 basic functions, 1 extended functions
    CommPort = 2,
    DataFormat = 3,  // sub-pages: 0 upload, 1 data frame (one operation for both)
    Rf = 4,          // sub-pages: 0 basic, 1 channel one, 2 channel two
    Positioning = 5,
};
}  // namespace page
