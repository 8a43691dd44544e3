// Writes the scenario script that picks every menu command and presses every panel button,
// read from the catalogue, so that a new command is in it without anyone writing it there.
// Usage: vantel_every_command_script OUT.vbs
#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "commands/catalogue.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kHeader =
    "# args: --link sim\n"
    "# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0\n"
    "# A new user with empty fields picks every menu command and presses every panel button:\n"
    "# each gets an answer from the simulated controller (failures included) and nothing hangs.\n"
    "# \"&Power Off\" and \"&Exit\" come last: after them the controller answers nothing.\n";

// After these the controller answers nothing, so they come last, in this order.
constexpr std::wstring_view kLast[] = {L"Diver&ses/&Power Off", L"Ini&t/&Exit"};

bool IsLast(const vantel::CommandRow& row) { return std::ranges::find(kLast, row.path) != std::end(kLast); }

void Pick(std::ostream& out, const vantel::CommandRow& row) {
    out << "# " << vantel::ToUtf8(row.path) << "\nmenu " << row.id << "\nwait\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vantel_every_command_script OUT.vbs\n";
        return 2;
    }
    // The groups by name, each in menu order.
    std::vector<vantel::CommandGroup> groups(vantel::Groups().begin(), vantel::Groups().end());
    std::ranges::sort(groups, {}, &vantel::CommandGroup::name);

    std::ofstream out(argv[1], std::ios::binary);
    out << kHeader;
    for (const vantel::CommandGroup& group : groups) {
        for (const vantel::CommandRow& row : group.rows()) {
            if (row.kind != vantel::RowKind::Item && row.kind != vantel::RowKind::Button) continue;
            if (IsLast(row)) continue;
            Pick(out, row);
        }
    }
    for (std::wstring_view path : kLast) {
        const auto& rows = vantel::Catalogue();
        const auto row = std::ranges::find(rows, path, &vantel::CommandRow::path);
        if (row == rows.end()) {
            std::cerr << "vantel_every_command_script: no command " << vantel::ToUtf8(path) << "\n";
            return 1;
        }
        Pick(out, *row);
    }
    out.close();
    if (!out) {
        std::cerr << "vantel_every_command_script: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
