#pragma once

#include <QString>

#include <ostream>

// Readable failures for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace moorix::test {

// The widget toolkit on the offscreen platform, created once per test process.
void ensureQtApplication();

} // namespace moorix::test
