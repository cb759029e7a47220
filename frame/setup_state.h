// The global setup state that the frame owns for the life of the process and the setup logic fills
// when the window is created. Only the window thread writes it, but for the installation flag.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/text.h"

namespace setup {

struct SetupState {
  TextArray product_list;                // the brand's product names, indexed from 1
  std::int32_t selected_product_no = 0;  // counts from 1
  Text product_name;
  Text product_list_text;  // the names joined by "|"
  // True while an installation worker runs (set on the window thread, cleared by the worker).
  std::atomic<bool> installing{false};
};

// The exit clean-up: releases every element of the product list, the list, the product name and the
// product list text. Runs on the window thread when the program ends normally.
inline void ExitCleanup(SetupState& state) noexcept {
  state.product_list.Clear();
  state.product_name = Text();
  state.product_list_text = Text();
}

}  // namespace setup
