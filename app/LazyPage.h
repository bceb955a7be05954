// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/ParameterPage.h"

#include <functional>
#include <utility>

// Stands in the dispatch for a page whose widgets are built when first needed: the first
// operation, default set or query of its pause builds the page and goes to it. The start-up
// notice (formShow) reaches only a page already built; the shell gives it to pages it builds
// later.
class LazyPage final : public ParameterPage {
  public:
    // built: the page if it exists, else nullptr; build: builds it and returns it.
    LazyPage(std::function<ParameterPage*()> built, std::function<ParameterPage*()> build)
        : built_(std::move(built)), build_(std::move(build)) {}

    void query() override { build_()->query(); }
    void set() override { build_()->set(); }
    void applyDefaultSet() override { build_()->applyDefaultSet(); }
    int pauseAfterSetMs() const override { return build_()->pauseAfterSetMs(); }
    void formShow(const WindowVariants& variants) override {
        if (ParameterPage* page = built_()) {
            page->formShow(variants);
        }
    }

  private:
    std::function<ParameterPage*()> built_;
    std::function<ParameterPage*()> build_;
};
