#include "jobs/history.h"

#include <string>
#include <vector>

#include "platform/registry.h"

namespace vantel {

void FieldHistory::LeaveField() {
    if (selection >= 0 && selection < static_cast<int>(items.size())) {
        items.erase(items.begin() + selection);
    }
    selection = -1;
    if (!text.empty()) {
        items.insert(items.begin(), text);
        if (static_cast<int>(items.size()) > kHistoryLimit) items.erase(items.begin() + kHistoryLimit);
        selection = 0;
    }
}

void FieldHistory::Pick(int k) {
    if (k < 0 || k >= static_cast<int>(items.size())) return;
    selection = k;
    text = items[k];
}

void FieldHistory::Type(const std::wstring& newText) {
    text = newText;
    selection = -1;
}

std::wstring HistoryPairName(int field) { return L"Parameter" + std::to_wstring(field - 1); }

void LoadHistory(CRegPair& appPair, int field, FieldHistory& history) {
    CRegPair pair(appPair, HistoryPairName(field), false);
    for (int k = 0;; ++k) {
        std::wstring value;
        if (!pair.GetValue(std::to_wstring(k), value, false, false)) break;
        history.items.push_back(std::move(value));
    }
    history.selection = -1;
    history.text.clear();
    history.Pick(0);
}

namespace {

void AddValues(CRegPair& appPair, int field, const FieldHistory& history, std::vector<reg::Value>& values) {
    const CRegPair pair(appPair, HistoryPairName(field), false);
    for (std::size_t k = 0; k < history.items.size(); ++k)
        values.push_back({pair.KeyPath(), std::to_wstring(k), history.items[k]});
}

}  // namespace

bool SaveHistory(CRegPair& appPair, int field, const FieldHistory& history) {
    std::vector<reg::Value> values;
    AddValues(appPair, field, history, values);
    return reg::SetValues(reg::Hive::User, values);
}

bool SaveHistories(CRegPair& appPair, std::span<const FieldHistory> fields) {
    std::vector<reg::Value> values;
    for (std::size_t n = 0; n < fields.size(); ++n) AddValues(appPair, static_cast<int>(n) + 1, fields[n], values);
    return reg::SetValues(reg::Hive::User, values);
}

}  // namespace vantel
