#pragma once

namespace moorix::ListMetrics {

// The port list's measurements, in pixels. The view places rows by them and the model sizes the list by
// them, so both read them here.
constexpr int rowHeight = 52;
constexpr int sectionHeaderHeight = 30;
constexpr int topMargin = 6;
constexpr int bottomMargin = 10;
constexpr int sideMargin = 6;

} // namespace moorix::ListMetrics
