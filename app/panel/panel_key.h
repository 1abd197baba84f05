#pragma once

namespace moorix {

// The keys the panel's list answers to; the view tells them apart from the keyboard's own codes.
enum class PanelKey {
    down,
    up,
    activate, // Return or Enter
    back,     // Escape
    menu,     // the menu key, or Shift+F10
};

} // namespace moorix
