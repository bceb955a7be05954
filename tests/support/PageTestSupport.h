// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// Shared checks of the parameter pages: controls by designer name, the start-state table,
// the each-field failure table, and scoped replacements of the error box and the pause.

#include "model/Addresses.h"
#include "session/ReaderLibrary.h"
#include "tests/support/RecordingReaderLibrary.h"
#include "widgets/ErrorReporting.h"
#include "widgets/OperationLog.h"
#include "widgets/Pause.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(Bytes)

// Every log line's text without its number and time ("3   10:42:07  :  message").
inline QStringList logLines(const QPlainTextEdit& memo) {
    QStringList lines;
    const QString text = memo.toPlainText();
    if (text.isEmpty()) {
        return lines;
    }
    for (const QString& line : text.split(u'\n')) {
        lines << line.section(QStringLiteral("  :  "), 1);
    }
    return lines;
}

inline bool isReasonLine(const QString& line) {
    return line.startsWith(QStringLiteral("原因: "));
}

// The operations' messages: the log lines without the library's reason lines that follow a
// failed step's message.
inline QStringList logMessages(const QPlainTextEdit& memo) {
    QStringList messages = logLines(memo);
    messages.removeIf(isReasonLine);
    return messages;
}

// A control of a page by its designer name; fails the test when it is missing.
template <typename T>
T* control(const QObject& parent, const QString& name) {
    T* found = parent.findChild<T*>(name);
    if (!found) {
        QTest::qFail(qPrintable(QStringLiteral("no control ") + name), __FILE__, __LINE__);
    }
    return found;
}

// A control's value as text: an edit's text, "1"/"0" for a ticked/unticked button, a list's
// selected item ("" without a selection).
inline QString controlValue(const QObject& parent, const QString& name) {
    if (auto* edit = parent.findChild<QLineEdit*>(name)) {
        return edit->text();
    }
    if (auto* button = parent.findChild<QAbstractButton*>(name)) {
        return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    if (auto* list = parent.findChild<QComboBox*>(name)) {
        return list->currentIndex() < 0 ? QString() : list->currentText();
    }
    return QStringLiteral("<missing ") + name + u'>';
}

// Puts values into controls by name, as controlValue reads them: an edit's text, a list's item
// by its text, a button ticked ("1") or not ("0") by a click when it must change.
inline void enterValues(QWidget& page, const QList<std::pair<QString, QString>>& values) {
    for (const auto& [name, value] : values) {
        if (auto* edit = page.findChild<QLineEdit*>(name)) {
            edit->setText(value);
        } else if (auto* list = page.findChild<QComboBox*>(name)) {
            list->setCurrentIndex(list->findText(value));
        } else {
            auto* button = control<QAbstractButton>(page, name);
            if (button->isChecked() != (value == QStringLiteral("1"))) {
                button->click();
            }
        }
    }
}

// Types into a widget through real key events; "\b" is a backspace.
inline void typeKeys(QWidget* widget, const QString& keys) {
    for (QChar key : keys) {
        if (key == u'\b') {
            QTest::keyClick(widget, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(widget, QString(key));
        }
    }
}

// Replaces an edit's whole text as the user does: select all, then type the new text, or
// press Delete for an empty one.
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    } else {
        typeKeys(edit, text);
    }
}

// Checks one row of a page's start-state table: the control's caption (group title, label
// or button text), its value (see controlValue) and whether it is enabled. Controls
// without a caption or value of their own are given "".
inline void verifyStartState(const QObject& page, const QString& name, const QString& caption,
                             const QString& value, bool enabled) {
    QWidget* widget = control<QWidget>(page, name);
    QVERIFY(widget);
    QCOMPARE(widget->isEnabled(), enabled);
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        QCOMPARE(group->title(), caption);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->text(), caption);
        QCOMPARE(controlValue(page, name), value);
    } else {
        QCOMPARE(controlValue(page, name), value);
    }
}

// The columns of a start-state table and one row of it; verifyStartStateRow checks the
// current row against the page.
inline void addStartStateColumns() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("enabled");
}

inline void startStateRow(const char* name, const char* caption, const char* value, bool enabled) {
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption)
                        << QString::fromUtf8(value) << enabled;
}

inline void verifyStartStateRow(const QObject& page) {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, value);
    QFETCH(bool, enabled);
    verifyStartState(page, name, caption, value, enabled);
}

// One step of a page operation for the each-field failure table (an empty message: the step
// fails silently).
struct FieldStep {
    Field field;
    QString message;
    bool clearsFlag = true;  // false: the summary stays the success line
};

// Adds one row per step of an operation to the current _data function (two for a field of
// more than one byte: its first and its last byte fail alike). Each row fails one address;
// the operation must then log that step's message and the summary its flag rule gives, and
// still make one call per step.
inline void addFieldFailureRows(const QList<FieldStep>& steps, const QString& successSummary,
                                const QString& failureSummary) {
    QTest::addColumn<int>("address");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("calls");
    for (const FieldStep& step : steps) {
        // A step without a message fails silently: only the summary tells.
        QStringList log;
        if (!step.message.isEmpty()) {
            log << step.message;
        }
        log << (step.clearsFlag ? failureSummary : successSummary);
        QList<int> addresses{step.field.address};
        if (step.field.width > 1) {
            addresses << step.field.end() - 1;
        }
        for (int address : addresses) {
            QTest::addRow("0x%02X", address) << address << log << int(steps.size());
        }
    }
}

// Runs a row of addFieldFailureRows' table against the recording fake.
inline void verifyFieldFailure(RecordingReaderLibrary& library, const QPlainTextEdit& memo,
                               const std::function<void()>& operation) {
    QFETCH(int, address);
    QFETCH(QStringList, log);
    QFETCH(int, calls);
    library.failAddress(address);
    operation();
    QCOMPARE(logMessages(memo), log);
    // A failed step does not stop the operation.
    QCOMPARE(int(library.calls().size()), calls);
}

// Replaces the error box for the lifetime of the guard and collects what it would show.
class ScopedErrorReporter {
  public:
    ScopedErrorReporter()
        : previous_(setErrorReporter([this](const QString& message) { errors << message; })) {}
    ~ScopedErrorReporter() { setErrorReporter(previous_); }
    ScopedErrorReporter(const ScopedErrorReporter&) = delete;
    ScopedErrorReporter& operator=(const ScopedErrorReporter&) = delete;

    QStringList errors;

  private:
    ErrorReporter previous_;
};

// Replaces the blocking pause for the lifetime of the guard and records what was asked for.
class ScopedSleeper {
  public:
    ScopedSleeper() : previous_(setSleeper([this](int ms) { pauses << ms; })) {}
    ~ScopedSleeper() { setSleeper(previous_); }
    ScopedSleeper(const ScopedSleeper&) = delete;
    ScopedSleeper& operator=(const ScopedSleeper&) = delete;

    QList<int> pauses;

  private:
    Sleeper previous_;
};

// A page of type Page on the recording fake, with handle 7 and its own log.
template <typename Page>
struct PageOnFake {
    RecordingReaderLibrary library;
    ReaderSession session{library};
    QPlainTextEdit memo;
    OperationLog log{&memo};
    Page page{session, log};

    PageOnFake() { *session.handleSlot() = 7; }

    QStringList messages() const { return logMessages(memo); }
    void setMemory(int address, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), library.memory.begin() + address);
    }
};
