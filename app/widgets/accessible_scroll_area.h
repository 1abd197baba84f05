#pragma once

namespace moorix {

// Gives every QScrollArea of the application (the panel's list, the settings tabs) an accessible face
// whose children are its child widgets, the scroll bars' containers included whether shown or not.
// Qt's own face counts only the scroll bars that show and does not check the index a screen reader
// asks for: a reader that counted while the list scrolled and asked once it no longer did (or its
// window had closed) made Qt read past its list.
void installScrollAreaAccessibility();

} // namespace moorix
