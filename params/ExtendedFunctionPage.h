// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/ParameterPage.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class ExtendedFunctionPage;
}

// The sub-page "扩展功能" of "读写器参数": offline recording, the encryption of tag IDs with
// its key, the tag filter (suppression factor and value range) and the mounting side.
//
// Check boxes run their rules through toggled() and edits through textChanged(), whether
// the change comes from the user or from the query; the encryption mode's rule runs only
// when the user picks a mode, so the query runs it itself.
class ExtendedFunctionPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    ExtendedFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~ExtendedFunctionPage() override;

    void SetExtendedParameters();
    void QueryExtendedParameters();

    void query() override { QueryExtendedParameters(); }
    void set() override { SetExtendedParameters(); }
    // The key box starts empty.
    void formShow(const WindowVariants& variants) override;

  private:
    void CheckBox66Click();
    void CheckBox27Click();
    void ComboBox15Change();
    void Edit72Change();
    void Edit42Change();
    void Edit43Change();
    void GroupBox25Exit();
    // Runs GroupBox25Exit when the focus moves from inside the group "标签过滤" to another
    // control of this window; moving to another window or application is no exit.
    void focusChanged(QWidget* now);

    struct Fields;

    std::unique_ptr<Ui::ExtendedFunctionPage> ui_;
    std::unique_ptr<Fields> fields_;
    ReaderSession& session_;
    OperationLog& log_;
    // The control of this window that last had the focus.
    QPointer<QWidget> lastFocus_;
    // Dropped first when the page goes: deleting its controls moves the focus.
    QMetaObject::Connection focusConnection_;
};
