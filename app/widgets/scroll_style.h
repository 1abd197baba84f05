#pragma once

#include <QString>

namespace moorix {

// A thin, quiet scroll bar for the dark panel, as a style sheet for scroll areas and lists.
QString scrollBarStyle();

} // namespace moorix
