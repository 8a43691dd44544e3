// A parameter field's history: its drop-down list (newest first), the list's selection
// and the edit text.
#pragma once
#include <span>
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
// Stores every entry under its index; higher numbers left by an earlier run stay. False
// when nothing was stored (vantel::reg::LastError says why).
bool SaveHistory(CRegPair& appPair, int field, const FieldHistory& history);
// Every field's list (fields[0] is field 1) in one transaction: all of them or none, and
// never a list mixed with another console's that saves at the same time.
bool SaveHistories(CRegPair& appPair, std::span<const FieldHistory> fields);

}  // namespace vantel
