// Dialogs that are modal to their parent window only. While one runs, the parent's controls
// and menus and the dialog below it take no input; every other top-level window of the
// program stays usable. Each runs a nested event loop that keeps dispatching, so the loops
// form one stack per thread: a loop only ever exits from the inside out.
#pragma once
#include <functional>
#include <vector>

#include <wx/dialog.h>

namespace vantel {

class CModalDialog : public wxDialog {
public:
    // closeCode: what Escape and the close box end the dialog with.
    CModalDialog(wxWindow* parent, const wxString& title, long style, int closeCode);

    // Shows the dialog over its parent, offset from the one below if any, and runs until
    // EndModal; returns its code. The toolkit's own modality would grab input from every
    // window, and wxGTK ignores a close request of any window while it runs.
    int ShowModal() override;
    // Hides the dialog at once; its loop exits when the loops opened inside it have.
    void EndModal(int code) override;
    // Running and not yet ended.
    bool IsModal() const override;

    // Modal dialogs running now, one inside the other.
    static int OpenCount();
    // The one opened last; nullptr when none runs.
    static CModalDialog* Innermost();
    // Ends every running one with code, the innermost first.
    static void EndAll(int code);
    // Runs f once no modal dialog runs any more: at once, or as the outermost returns.
    static void WhenAllClosed(std::function<void()> f);

    // How far each dialog sits below and right of the one it opened over.
    static constexpr int kCascade = 24;

protected:
    // A key the dialog handles before its controls see it; true when handled.
    virtual bool OnKey(wxKeyEvent& e);

private:
    struct Run;
    static std::vector<Run*>& Stack();
    void OnCharHook(wxKeyEvent& e);
    void Place(int depth);

    int m_closeCode;
    Run* m_run = nullptr;
};

}  // namespace vantel
