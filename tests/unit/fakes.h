// Test doubles for the console: a surface that records what it shows, and a link that
// records every call with its in-values and answers from queues.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "commands/catalogue.h"
#include "jobs/console.h"
#include "link/plexa.h"
#include "platform/registry.h"
#include "temp_stores.h"

namespace vantel::test {

class FakeSurface : public ISurface {
public:
    // The end code of a question dialog closed with the close box.
    static constexpr int kClosed = 5101;

    struct Question {
        std::wstring text;
        AnswerCaptions captions;
    };

    FieldTexts ReadFields() override {
        ++reads;
        return fields;
    }
    void MessageBox(const std::wstring& text) override {
        boxes.push_back(text);
        Open();
        if (onBox) onBox(text);  // the box's nested loop
        --open;
    }
    int RunQuestion(const std::wstring& question, const AnswerCaptions& captions) override {
        questions.push_back({question, captions});
        Open();
        int code = kClosed;
        if (!codes.empty()) {
            code = codes.front();
            codes.pop_front();
        }
        --open;
        return code;
    }
    void Pause(unsigned ms) override { pauses.push_back(ms); }

    void SetField(int n, std::wstring text) { fields.at(n - 1) = std::move(text); }

    FieldTexts fields;
    int reads = 0;
    std::vector<std::wstring> boxes;
    std::function<void(const std::wstring&)> onBox;
    std::vector<Question> questions;
    std::deque<int> codes;  // end codes for the next question dialogs; none left: kClosed
    std::vector<unsigned> pauses;
    int open = 0;     // boxes and question dialogs open now
    int maxOpen = 0;  // the most that were open at once

private:
    void Open() {
        ++open;
        if (open > maxOpen) maxOpen = open;
    }
};

class FakeLink : public link::ILinkBackend {
public:
    // An in-value as recorded: numbers (enumerations, windows and time stamps too) widened
    // to 64 bits; out-values are recorded as monostate, so args[i] is argument i.
    using In = std::variant<std::monostate, std::int64_t, std::wstring, link::StringArray, link::BoolArray,
                            link::ByteArray, link::DWordArray>;
    // An out-value to hand back, in the order of the call's out-parameters.
    using Out = std::variant<std::int64_t, std::wstring, link::StringArray, link::BoolArray, link::ByteArray,
                             link::DWordArray>;

    struct Call {
        link::CallId id;
        std::vector<In> args;
        std::int64_t Int(std::size_t i) const { return std::get<std::int64_t>(args.at(i)); }
        const std::wstring& Str(std::size_t i) const { return std::get<std::wstring>(args.at(i)); }
    };

    // The next call of id returns ret and fills its out-values from outs.
    void Answer(link::CallId id, std::int32_t ret, std::vector<Out> outs = {}) {
        answers[id].push_back({ret, std::move(outs)});
    }

    std::vector<Call> CallsTo(link::CallId id) const {
        std::vector<Call> found;
        for (const Call& c : calls)
            if (c.id == id) found.push_back(c);
        return found;
    }
    std::size_t Count(link::CallId id) const { return CallsTo(id).size(); }

    // Requests take the oldest queued handle, else 1, 2, 3 ...; other calls take their
    // oldest queued answer, else return 1 and leave the out-values as they are.
    std::int32_t Invoke(link::CallId id, std::span<const link::LinkArg> args) override {
        Call call{id, {}};
        for (const link::LinkArg& a : args) call.args.push_back(a.out ? In{} : Record(a));
        calls.push_back(std::move(call));
        if (link::kCallIsRequest[static_cast<std::size_t>(id)]) {
            if (handles.empty()) return nextHandle++;
            const std::int16_t h = handles.front();
            handles.pop_front();
            return h;
        }
        auto it = answers.find(id);
        if (it == answers.end() || it->second.empty()) return 1;
        const Reply reply = it->second.front();
        it->second.pop_front();
        std::size_t k = 0;
        for (const link::LinkArg& a : args) {
            if (a.out && k < reply.outs.size()) Fill(a, reply.outs[k++]);
        }
        return reply.ret;
    }

    std::vector<Call> calls;
    std::deque<std::int16_t> handles;
    std::int16_t nextHandle = 1;

private:
    struct Reply {
        std::int32_t ret;
        std::vector<Out> outs;
    };

    static In Record(const link::LinkArg& a) {
        using link::ArgType;
        switch (a.type) {
            case ArgType::I16: return std::int64_t{a.As<std::int16_t>()};
            case ArgType::I32:
            case ArgType::Enum: return std::int64_t{a.As<std::int32_t>()};
            case ArgType::U32: return std::int64_t{a.As<std::uint32_t>()};
            case ArgType::Window: return static_cast<std::int64_t>(a.As<HWND>());
            case ArgType::Time: return static_cast<std::int64_t>(a.As<link::CFileTime>().GetTime());
            case ArgType::Str: return a.As<std::wstring>();
            case ArgType::StrArray: return a.As<link::StringArray>();
            case ArgType::BoolArray: return a.As<link::BoolArray>();
            case ArgType::ByteArray: return a.As<link::ByteArray>();
            case ArgType::DWordArray: return a.As<link::DWordArray>();
        }
        return {};
    }

    static void Fill(const link::LinkArg& a, const Out& v) {
        using link::ArgType;
        switch (a.type) {
            case ArgType::I16: a.As<std::int16_t>() = static_cast<std::int16_t>(std::get<std::int64_t>(v)); break;
            case ArgType::I32:
            case ArgType::Enum: a.As<std::int32_t>() = static_cast<std::int32_t>(std::get<std::int64_t>(v)); break;
            case ArgType::U32: a.As<std::uint32_t>() = static_cast<std::uint32_t>(std::get<std::int64_t>(v)); break;
            case ArgType::Window: a.As<HWND>() = static_cast<HWND>(std::get<std::int64_t>(v)); break;
            case ArgType::Time:
                a.As<link::CFileTime>() = link::CFileTime(static_cast<std::uint64_t>(std::get<std::int64_t>(v)));
                break;
            case ArgType::Str: a.As<std::wstring>() = std::get<std::wstring>(v); break;
            case ArgType::StrArray: a.As<link::StringArray>() = std::get<link::StringArray>(v); break;
            case ArgType::BoolArray: a.As<link::BoolArray>() = std::get<link::BoolArray>(v); break;
            case ArgType::ByteArray: a.As<link::ByteArray>() = std::get<link::ByteArray>(v); break;
            case ArgType::DWordArray: a.As<link::DWordArray>() = std::get<link::DWordArray>(v); break;
        }
    }

    std::map<link::CallId, std::deque<Reply>> answers;
};

// A console on the fake surface and link, with the registry in a temporary folder; it runs
// the real catalogue unless given rows of its own.
struct ConsoleRig {
    explicit ConsoleRig(CommandRows rows = Catalogue()) {
        auto owned = std::make_unique<FakeLink>();
        link = owned.get();
        console = std::make_unique<CConsole>(surface, std::move(owned), app, rows);
    }

    // WM_PLEXA as the link posts it: the handle in the low 16 bits of wParam.
    void Post(std::int16_t h, LPARAM type) {
        console->OnPlexa(static_cast<WPARAM>(static_cast<std::uint16_t>(h)), type);
    }
    std::int16_t& Slot(int s) { return console->Slots().block.at(s); }

    void Menu(int id) { ASSERT_TRUE(console->Command(id)); }
    // Runs a command whose request gets handle h, then delivers its result.
    void RunWithResult(int id, std::int16_t h) {
        link->handles.push_back(h);
        Menu(id);
        Post(h, 0);
    }
    // The last call of id; fails the test when there was none.
    FakeLink::Call Last(link::CallId id) {
        const auto calls = link->CallsTo(id);
        if (calls.empty()) {
            ADD_FAILURE() << "no call";
            return {id, {}};
        }
        return calls.back();
    }
    // Sets the ten fields (missing ones empty) and frees every slot.
    void Fields(std::vector<std::wstring> texts) {
        texts.resize(kFieldCount);
        for (int n = 1; n <= kFieldCount; ++n) surface.SetField(n, texts[n - 1]);
        console->Slots().ClearAll();
    }

    TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};
    FakeSurface surface;
    FakeLink* link = nullptr;
    std::unique_ptr<CConsole> console;
};

}  // namespace vantel::test
