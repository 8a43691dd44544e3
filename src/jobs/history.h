// A parameter field's history: its drop-down list (newest first), the list's selection
// and the edit text.
#pragma once
#include <string>
#include <vector>

class CRegPair;

namespace vantel {

inline constexpr int kHistoryLimit = 20;

struct FieldHistory {
    std::vector<std::wstring> items;
    int selection = -1;  // -1: nothing selected in the list
    std::wstring text;   // the edit text

    // The field loses the focus: a selected entry is taken out, a non-empty edit text goes
    // to the top (no duplicate check), and an insertion that leaves more than
    // kHistoryLimit entries removes the one then at position kHistoryLimit.
    void LeaveField();
    // Selects entry k and shows it in the edit (out-of-range k: nothing happens).
    void Pick(int k);
    // Typing replaces the edit text; the list loses its selection.
    void Type(const std::wstring& newText);
};

// The registry pair of field n (1-10): "Parameter%d" with n-1, a child of the application pair.
std::wstring HistoryPairName(int field);

// Reads "0", "1", ... until the first missing number (no limit), then selects entry 0.
void LoadHistory(CRegPair& appPair, int field, FieldHistory& history);
// Stores every entry under its index; higher numbers left by an earlier run stay.
void SaveHistory(CRegPair& appPair, int field, const FieldHistory& history);

}  // namespace vantel
