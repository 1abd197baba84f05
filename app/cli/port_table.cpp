#include "app/cli/port_table.h"

#include "core/text/display_width.h"
#include "core/text/format_mem.h"
#include "core/text/terminal_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace moorix::cli {

namespace {

enum Column { Port, Address, Pid, User, Command, Project, StartedBy, Cpu, Mem, ColumnCount };

constexpr std::array<const char*, ColumnCount> titles{"PORT",    "ADDRESS",    "PID", "USER", "COMMAND",
                                                      "PROJECT", "STARTED BY", "CPU", "MEM"};
constexpr std::array<bool, ColumnCount> rightAligned{true,  false, true, false, false,
                                                     false, false, true, true};
// The columns that give up width when the line is too long, and how narrow each may become.
constexpr std::array<std::size_t, ColumnCount> narrowest{0, 0, 0, 4, 6, 6, 6, 0, 0};
constexpr std::size_t columnGap = 2;

constexpr const char* reset = "\033[0m";
constexpr const char* bold = "\033[1m";
constexpr const char* dim = "\033[2m";
constexpr const char* warm = "\033[38;5;215m";
constexpr const char* warning = "\033[38;5;208m";

using Cells = std::array<std::string, ColumnCount>;

// The first `width` display columns of `text`, the last of them an ellipsis when something was cut. A wide
// character that would straddle the edge goes whole, leaving the cell a column short for the padding.
std::string cut(const std::string& text, std::size_t width) {
    if (displayWidth(text) <= width) return text;
    if (width == 0) return {};
    return std::string(fitDisplayWidth(text, width - 1)) + "\u2026";
}

std::string chainOf(const PortEntry& entry) {
    std::string chain;
    for (const auto& name : entry.parentChain)
        chain += (chain.empty() ? "" : " \u2190 ") + terminalSafe(name);
    return chain;
}

Cells cellsOf(const PortEntry& entry, const std::unordered_map<std::int32_t, ProcessStats>& stats) {
    Cells cells;
    cells[Port] = std::to_string(entry.port);
    cells[Address] = entry.address + (entry.isExposed() ? "!" : "");
    cells[Pid] = std::to_string(entry.pid);
    cells[User] = terminalSafe(entry.user);
    cells[Command] = terminalSafe(entry.command);
    cells[Project] = terminalSafe(entry.project.value_or(""));
    cells[StartedBy] = chainOf(entry);
    if (const auto found = stats.find(entry.pid); found != stats.end()) {
        char cpu[32];
        std::snprintf(cpu, sizeof cpu, "%.1f%%", found->second.cpu);
        cells[Cpu] = cpu;
        cells[Mem] = formatMem(found->second.memMB);
    }
    return cells;
}

std::string paint(const std::string& text, const char* colour, bool on) {
    return on && !text.empty() ? colour + text + reset : text;
}

} // namespace

std::string renderPortTable(const std::vector<PortEntry>& entries,
                            const std::unordered_map<std::int32_t, ProcessStats>& stats,
                            const TableStyle& style) {
    if (entries.empty()) return "No listening TCP ports\n";
    std::vector<Cells> dev, other;
    for (const auto& entry : entries) (entry.isDev() ? dev : other).push_back(cellsOf(entry, stats));

    std::array<std::size_t, ColumnCount> widths{};
    for (std::size_t column = 0; column < ColumnCount; ++column)
        widths[column] = displayWidth(titles[column]);
    for (const auto* rows : {&dev, &other})
        for (const auto& cells : *rows)
            for (std::size_t column = 0; column < ColumnCount; ++column)
                widths[column] = std::max(widths[column], displayWidth(cells[column]));

    // Narrow the widest shrinkable column, one display column at a time, until the line fits.
    const auto total = [&] {
        std::size_t sum = columnGap * (ColumnCount - 1);
        for (auto width : widths) sum += width;
        return sum;
    };
    while (style.width > 0 && total() > style.width) {
        std::size_t widest = ColumnCount;
        for (std::size_t column = 0; column < ColumnCount; ++column)
            if (narrowest[column] > 0 && widths[column] > narrowest[column] &&
                (widest == ColumnCount || widths[column] > widths[widest]))
                widest = column;
        if (widest == ColumnCount) break;
        --widths[widest];
    }

    const auto line = [&](const Cells& cells, bool header) {
        std::string text;
        for (std::size_t column = 0; column < ColumnCount; ++column) {
            const std::string shown = cut(cells[column], widths[column]);
            const std::string padding(widths[column] - displayWidth(shown), ' ');
            std::string cell = rightAligned[column] ? padding + shown : shown + padding;
            if (header)
                cell = paint(cell, dim, style.colour);
            else if (column == Port)
                cell = paint(cell, bold, style.colour);
            else if (column == Address && cells[Address].ends_with('!'))
                cell = paint(cell, warning, style.colour);
            else if (column == StartedBy || column == Cpu || column == Mem)
                cell = paint(cell, dim, style.colour);
            text += cell;
            if (column + 1 < ColumnCount) text += std::string(columnGap, ' ');
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text + "\n";
    };
    Cells header;
    for (std::size_t column = 0; column < ColumnCount; ++column) header[column] = titles[column];

    // A line of prose, cut to the width like the rows.
    const auto note = [&](const std::string& text, const char* colour) {
        return paint(style.width > 0 ? cut(text, style.width) : text, colour, style.colour) + "\n";
    };
    std::string out;
    const auto section = [&](const char* title, const std::vector<Cells>& rows) {
        if (rows.empty()) return;
        if (!out.empty()) out += "\n";
        out += note(std::string(title) + " \u00B7 " + std::to_string(rows.size()), warm);
        out += line(header, true);
        for (const auto& cells : rows) out += line(cells, false);
    };
    section("Development", dev);
    section("System and other", other);
    const bool anyExposed =
        std::any_of(entries.begin(), entries.end(), [](const PortEntry& entry) { return entry.isExposed(); });
    if (anyExposed) out += "\n" + note("! reachable from other machines", dim);
    return out;
}

} // namespace moorix::cli
