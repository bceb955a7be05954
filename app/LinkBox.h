// SPDX-License-Identifier: LGPL-2.1-or-later
// The link box of the connection group: a drop-down list that brings the devices behind its
// items up to date each time it opens, so that an adapter plugged in meanwhile shows.
#pragma once

#include <QComboBox>

#include <functional>

class LinkBox : public QComboBox {
  public:
    using QComboBox::QComboBox;

    // Runs just before the list opens.
    void setBeforePopup(std::function<void()> beforePopup) {
        beforePopup_ = std::move(beforePopup);
    }

    void showPopup() override {
        if (beforePopup_) {
            beforePopup_();
        }
        QComboBox::showPopup();
    }

  private:
    std::function<void()> beforePopup_;
};
