#pragma once

namespace moorix {

// Gives every scroll area of the application an accessible face whose children are its child widgets,
// the scroll bars' containers included whether shown or not. Qt's own face counts only the visible
// scroll bars and does not check the index a screen reader asks for: a reader that counted while a
// list was long and asks once it no longer scrolls (or its window closed) made Qt read past its list.
void installScrollAreaAccessibility();

} // namespace moorix
