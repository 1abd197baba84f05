#pragma once

namespace moorix {

// The keys the panel's list answers to; the view tells them apart from the keyboard's own codes.
enum class PanelKey {
    Down,
    Up,
    Activate, // Return or Enter
    Back,     // Escape
    Menu,     // the menu key, or Shift+F10
};

} // namespace moorix
