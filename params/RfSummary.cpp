// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RfSummary.h"

#include "params/FieldRun.h"

#include <QCoreApplication>

namespace rf {

void finishSet(FieldRun& run) {
    run.finish(QCoreApplication::translate("RfPage", "设置射频参数成功！"),
               QCoreApplication::translate("RfPage", "设置射频参数失败！"));
}

void finishQuery(FieldRun& run) {
    run.finish(QCoreApplication::translate("RfPage", "查询射频参数成功！"),
               QCoreApplication::translate("RfPage", "查询射频参数失败！"));
}

}  // namespace rf
