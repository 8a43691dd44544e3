// The link's argument names are what a user reads in hints and in the command list: each
// must be readable on its own and tell the arguments of its call apart.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "link/plexa.h"
#include "sim/engine/job.h"

namespace vantel::link {
namespace {

// Lower-case words of letters and digits, one blank between two words.
bool Readable(std::wstring_view name) {
    if (name.empty() || name.front() == L' ' || name.back() == L' ') return false;
    wchar_t previous = 0;
    for (wchar_t c : name) {
        const bool word = (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9');
        if (!word && !(c == L' ' && previous != L' ')) return false;
        previous = c;
    }
    return true;
}

TEST(ArgumentNames, EveryCallNamesEachArgumentOnceAndReadably) {
    for (std::size_t i = 0; i < kCallCount; ++i) {
        const auto id = static_cast<CallId>(i);
        const std::string call(kCallNames[i]);
        const auto names = ArgumentNames(id);
        ASSERT_EQ(names.size(), sim::kCallArity[i]) << call;
        std::set<std::wstring_view> seen;
        for (std::wstring_view name : names) {
            EXPECT_TRUE(Readable(name)) << call << ": \"" << std::wstring(name) << '"';
            EXPECT_TRUE(seen.insert(name).second) << call << " names two arguments alike";
        }
        // Whatever fetches what a job delivers takes the job's handle first.
        const bool fetch = call.ends_with("Result") || FamilyOf(id) == CallFamily::Notifications;
        if (fetch) {
            EXPECT_EQ(std::wstring(names.front()), L"job") << call;
        }
    }
}

}  // namespace
}  // namespace vantel::link
