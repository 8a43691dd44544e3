// What the console logic needs from a window, and nothing more.
#pragma once
#include <cstdint>
#include <array>
#include <string>

namespace vantel {

inline constexpr int kFieldCount = 10;
using FieldTexts = std::array<std::wstring, kFieldCount>;
using AnswerCaptions = std::array<std::wstring, 3>;

// The question dialog's end codes for its left, middle and right buttons; any other code
// means it was closed without an answer.
inline constexpr int kAnswerLeft = 1004;
inline constexpr int kAnswerMiddle = 1005;
inline constexpr int kAnswerRight = 1006;

// The answer an end code sends: 1 and 2 for the middle and right buttons, 0 for anything
// else (the left button, or the dialog closed).
constexpr std::int16_t AnswerOf(int endCode) {
    return endCode == kAnswerMiddle ? 1 : endCode == kAnswerRight ? 2 : 0;
}

class ISurface {
public:
    virtual ~ISurface() = default;
    // The current texts of the ten parameter fields (the data exchange of UpdateData(TRUE)).
    virtual FieldTexts ReadFields() = 0;
    // A modal message box: the text alone, the application's name as caption, OK only.
    // Returns when the box is closed; notifications keep being dispatched meanwhile.
    virtual void MessageBox(const std::wstring& text) = 0;
    // The question dialog; returns its end code (kAnswerLeft to kAnswerRight, or another
    // code when it was closed otherwise).
    virtual int RunQuestion(const std::wstring& question, const AnswerCaptions& captions) = 0;
    // Blocks the user-interface thread for ms milliseconds.
    virtual void Pause(unsigned ms) = 0;
};

}  // namespace vantel
