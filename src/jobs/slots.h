// Job slots: which pending job belongs to which command.
#pragma once
#include <array>
#include <cstdint>

namespace vantel {

inline constexpr int kSlotCount = 133;
inline constexpr int kShowTableSize = 100;
inline constexpr int kNoSlot = -1;

struct JobSlots {
    std::array<std::int16_t, kSlotCount> block{};
    std::array<std::int16_t, kShowTableSize> showTable{};

    void ClearAll() {
        block.fill(0);
        showTable.fill(0);
    }
    // Frees every slot and table entry that holds h.
    void ClearHandle(std::int16_t h) {
        for (auto& s : block)
            if (s == h) s = 0;
        for (auto& s : showTable)
            if (s == h) s = 0;
    }
};

}  // namespace vantel
