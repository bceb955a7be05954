// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QObject>
#include <QPoint>

class QTabWidget;

// Keeps a tab widget off its hidden tabs (setTabVisible(false)), whatever tries to select
// one. A tab keeps its index whether hidden or not.
// - Ctrl+Tab and Ctrl+Shift+Tab cycle through the visible, enabled tabs; the tab bar's
//   arrow keys and mouse wheel step over hidden tabs.
// - Any other selection of a hidden tab (setCurrentIndex from code, a tab hidden while
//   current without another chosen) is undone at once: the page shown before stays, or
//   the nearest visible one when that one has been hidden meanwhile.
//
// Install it before anything else connects to the tab widget's currentChanged, and react
// to pageChanged instead: an undone selection still reaches the later receivers of
// currentChanged with the hidden index (Qt cannot stop a signal under way), while
// pageChanged reports only the pages that stay selected. Like currentChanged, pageChanged
// is silent while the tab widget's signals are blocked.
class HiddenPageGuard : public QObject {
    Q_OBJECT
  public:
    // The guard is owned by the tab widget.
    static HiddenPageGuard* install(QTabWidget* pages);

  signals:
    void pageChanged(int index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit HiddenPageGuard(QTabWidget* pages);

    bool selectable(int index) const;
    // Selects the next selectable tab from the current one in the direction of step (+1 or
    // -1), around the ends when wrap is set; keeps the current tab when there is none.
    void step(int direction, bool wrap);
    // Undoes the selection of a hidden tab; remembers a visible one.
    void enforce();
    void onCurrentChanged(int index);

    QTabWidget* pages_;
    int lastVisible_ = -1;
    QPoint wheelDelta_;
};
