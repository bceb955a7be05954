// SPDX-License-Identifier: LGPL-2.1-or-later
#include "HiddenPageGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>

HiddenPageGuard* HiddenPageGuard::install(QTabWidget* pages) {
    return new HiddenPageGuard(pages);
}

HiddenPageGuard::HiddenPageGuard(QTabWidget* pages) : QObject(pages), pages_(pages) {
    lastVisible_ = pages->currentIndex();
    // The tab widget's signal first, so the undo comes before other receivers act. The
    // tab bar's signal also sees selections made while the tab widget's signals are
    // blocked.
    connect(pages, &QTabWidget::currentChanged, this, &HiddenPageGuard::onCurrentChanged);
    connect(pages->tabBar(), &QTabBar::currentChanged, this, &HiddenPageGuard::enforce);
    pages->installEventFilter(this);
    pages->tabBar()->installEventFilter(this);
}

bool HiddenPageGuard::selectable(int index) const {
    return pages_->isTabVisible(index) && pages_->isTabEnabled(index);
}

void HiddenPageGuard::step(int direction, bool wrap) {
    const int count = pages_->count();
    int index = pages_->currentIndex();
    for (int pass = 0; pass < count; ++pass) {
        index += direction;
        if (index < 0 || index >= count) {
            if (!wrap) {
                return;
            }
            index = index < 0 ? count - 1 : 0;
        }
        if (selectable(index)) {
            pages_->setCurrentIndex(index);
            return;
        }
    }
}

void HiddenPageGuard::enforce() {
    const int current = pages_->currentIndex();
    if (current < 0 || pages_->isTabVisible(current)) {
        lastVisible_ = current;
        return;
    }
    int kept = lastVisible_;
    if (kept < 0 || kept >= pages_->count() || !pages_->isTabVisible(kept)) {
        // The nearest visible tab, after the hidden one first.
        kept = -1;
        for (int distance = 1; distance < pages_->count() && kept < 0; ++distance) {
            for (const int index : {current + distance, current - distance}) {
                if (index >= 0 && index < pages_->count() && pages_->isTabVisible(index)) {
                    kept = index;
                    break;
                }
            }
        }
        if (kept < 0) {
            return;  // nothing visible to go to
        }
    }
    // The undo is no page change for the tab widget's receivers; the tab bar still
    // signals it, so the tab widget shows the kept page again.
    const QSignalBlocker quiet(pages_);
    pages_->setCurrentIndex(kept);
}

void HiddenPageGuard::onCurrentChanged(int index) {
    enforce();
    if (index == pages_->currentIndex()) {
        emit pageChanged(index);
    }
}

bool HiddenPageGuard::eventFilter(QObject* watched, QEvent* event) {
    // Only input reaches the tab widget here; other events (those of its own destruction
    // among them) must not touch it.
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::Wheel) {
        return false;
    }
    QTabBar* bar = pages_->tabBar();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool tabKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (watched == pages_ && tabKey && (key->modifiers() & Qt::ControlModifier) &&
            pages_->count() > 1) {
            // Ctrl+Tab forward, Ctrl+Shift+Tab back, around the ends unless held down.
            const bool back =
                key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            step(back ? -1 : 1, !key->isAutoRepeat());
            if (!QApplication::focusWidget()) {
                bar->setFocus();
            }
            return true;
        }
        if (watched == bar && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            const bool towardsStart =
                key->key() == (bar->isRightToLeft() ? Qt::Key_Right : Qt::Key_Left);
            step(towardsStart ? -1 : 1, false);
            return true;
        }
    } else if (event->type() == QEvent::Wheel && watched == bar) {
        const auto* wheel = static_cast<const QWheelEvent*>(event);
        if (!bar->style()->styleHint(QStyle::SH_TabBar_AllowWheelScrolling, nullptr, bar) ||
            wheel->device()->capabilities().testFlag(QInputDevice::Capability::PixelScroll)) {
            // No selection by wheel, or a touch pad that scrolls the tab bar instead.
            return false;
        }
        // One tab per wheel step; a turn up or left moves towards the first tab.
        wheelDelta_ += wheel->angleDelta();
        const int xSteps = wheelDelta_.x() / QWheelEvent::DefaultDeltasPerStep;
        const int ySteps = wheelDelta_.y() / QWheelEvent::DefaultDeltasPerStep;
        if (xSteps > 0 || ySteps > 0) {
            wheelDelta_ = {};
            step(-1, false);
        } else if (xSteps < 0 || ySteps < 0) {
            wheelDelta_ = {};
            step(1, false);
        }
        return true;
    }
    return false;
}
