// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

class FieldRun;

// The summary line that ends every set and every query of the page "射频参数", whichever of
// its sub-pages ran it. The texts keep the page's translation context "RfPage".
namespace rf {

void finishSet(FieldRun& run);
void finishQuery(FieldRun& run);

}  // namespace rf
