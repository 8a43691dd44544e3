// The simulated controller behind the link: jobs, their results and the controller's own
// events, on a clock that the caller supplies. Single-threaded; SimLink (embedded.cpp) adds
// the worker thread and the lock, tests drive it directly. Its members are defined by part:
// engine/ (calls, jobs, routing, mailbox, events, watches), model/open_modules.cpp, and one
// file per request family under requests/.
#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "link/plexa.h"
#include "sim/config.h"
#include "sim/engine/job.h"
#include "sim/engine/mailbox.h"
#include "sim/engine/mouse.h"
#include "sim/model/module_language.h"
#include "sim/model/exec_language.h"
#include "sim/model/files.h"
#include "sim/model/host_folder.h"
#include "sim/model/log.h"
#include "sim/model/model.h"

namespace vantel::link::sim {

class SimController {
public:
    // A post's job when it is the controller's own.
    static constexpr std::int16_t kEveryone = 0;
    struct Post {
        HWND window;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        // When several sessions share the controller: the request whose session hears the post
        // (the job's own, the one that started the 6D mouse, asked for a replay or raised a
        // dialog); kEveryone for the controller's own events and operator keys.
        std::int16_t job = kEveryone;
    };

    explicit SimController(SimConfig config);

    // One call of the link, made at now.
    std::int32_t Invoke(CallId id, std::span<const LinkArg> args, Clock::time_point now);
    // Completes what is due at now: every due job in the order started, then one program
    // line, then one mouse reading.
    void Tick(Clock::time_point now);
    // When Tick has something to do next; nothing when it waits for a call.
    std::optional<Clock::time_point> NextDue() const;

    // What will be posted without a further call: jobs whose first result is still due,
    // and a program that is advancing (it ends by itself). A standing job after its first
    // result, a program waiting for an answer or halted, and the 6D mouse do not count:
    // they post only when something else happens, or forever.
    std::size_t JobsInFlight() const;
    // Whether job h may still post: its first result is due, or it stands (a subscription,
    // a running program, a question, the 6D mouse, a move).
    bool JobOpen(std::int16_t h) const;

    // Notifications made since the last call, in order; the link posts them.
    std::vector<Post> TakePosts();

    // For a controller that several sessions share, each with its own Init and Exit. What Exit
    // does to the jobs, for these jobs only (one session's handles): pending, standing and
    // asking ones end without a word, the modules they opened close, a jog stops. The running
    // program, the 6D mouse and a motion go on, as at Exit.
    void DropJobs(const std::set<std::int16_t>& jobs);
    // What a session's Init does to the controller: after a power-off it boots again with
    // nothing selected.
    void SwitchOn();

    // For tests.
    const SimVariables& Variables() const { return m_vars; }
    const SimMessageBuffer& Messages() const { return m_messages; }
    const SimProgram& Program() const { return m_program; }
    std::size_t MailboxSize() const;
    // Estimated bytes of the unread notifications, and how many were dropped to keep them
    // within SimConfig's bounds.
    std::size_t MailboxBytes() const { return m_mailbox.Bytes(); }
    std::uint64_t MailboxDropped() const { return m_mailbox.Dropped(); }

private:


    enum class Watch { Variable, Interface, Volume, Item, Info, Code };
    struct Standing {
        Watch watch;
        std::wstring key;  // the variable, upper case; the volume or the item's full name
        std::uint32_t mask = 0;  // change bits heard; 0 = all of the watch's kind
        bool below = false;      // an item watch on a folder also hears what lies below it
    };

    // A module opened through the module code calls or the editor.
    struct OpenCode {
        std::wstring path;  // full name
        bool edit = false;  // opened to edit (else to view)
        std::vector<std::wstring> original;  // the lines at opening, for closing without saving
        std::int32_t selected = 0;
        std::int16_t job = 0;  // the request that opened it
    };

    // A robot move under way: the job reports progress and ends at the target.
    struct Motion {
        std::int16_t handle = 0;
        std::wstring verb;
        std::array<double, 6> from{}, to{};
        int step = 0;
        Clock::time_point next{};
    };


    std::int16_t NextHandle();
    std::uint32_t NextMessageHandle();
    std::uint64_t Stamp();
    void PostRaw(std::int16_t h, ENotifyType type) { PostRaw(h, type, h); }
    void PostRaw(std::int16_t h, ENotifyType type, std::int16_t job);
    // Keeps p for the fetch call of its kind and posts the notification.
    void Deliver(std::int16_t h, ENotifyType type, Payload p) { Deliver(h, type, std::move(p), h); }
    void Deliver(std::int16_t h, ENotifyType type, Payload p, std::int16_t job);
    void Finish(std::int16_t h, std::int32_t ret, std::wstring text = {}, std::int32_t number = 0);
    void FinishWith(std::int16_t h, std::vector<Out> outs);
    // Ends the job with a synchronous message (type 1) that says why.
    void FinishWithMessage(std::int16_t h, const std::wstring& why, std::uint32_t number, const std::wstring& origin,
                           MsgKind kind);
    bool StillLive(std::int16_t h) const;

    void Complete(Job& job);
    void CompleteVariable(Job& job);
    void CompleteProgram(Job& job);
    void CompleteMisc(Job& job);
    void CompleteExec(Job& job);
    void CompleteFiles(Job& job);
    void CompleteEditor(Job& job);
    void CompleteVolumes(Job& job);
    void CompleteItems(Job& job);
    void CreateItem(Job& job);
    void CompleteItemExec(Job& job);
    void CompleteModuleCode(Job& job);
    void CompleteModuleInfo(Job& job);
    void CompleteMotion(Job& job);
    void CompleteLog(Job& job);

    // Refusals, watches and the modules the requests work on (engine/watches.cpp, model/open_modules.cpp).
    void Refuse(std::int16_t h, CallId call, const std::wstring& why);
    void Refuse(const Job& job, const std::wstring& why) { Refuse(job.handle, job.call, why); }
    void PostChanges();
    void Watching(std::int16_t h, CallId call, Watch watch, const std::wstring& target, std::uint32_t mask, std::int64_t flags);
    SimItem* Module(const std::wstring& path, std::wstring& full);
    // An item by its full path, else a module by name.
    SimItem* FindItem(const std::wstring& path, std::wstring& full);
    // A module (part 1: its data list) that may be edited now; else why not.
    OutcomeOf<SimItem*> EditableModule(const std::wstring& name, std::int64_t part, std::wstring& full);
    // Refused when the module holds errors (or no code): the count and the first.
    Outcome Analyse(const std::wstring& full, SimItem& item);
    OpenCode* Code(std::int64_t handle);
    bool EditLines(OpenCode& code, std::uint32_t mask);
    bool OpenForEdit(const std::wstring& full) const;
    // 0 closed, 1 open to edit, 2 open to view only.
    std::int32_t OpenMode(const std::wstring& full) const;
    // Refused when an item (or a folder with what is below it) cannot go away now.
    Outcome MayRemove(const std::wstring& full) const;
    std::wstring ListDir(const std::wstring& path, const std::wstring& pattern);
    ProgramDef ProgramFrom(const std::wstring& name, const SimItem& module) const;
    std::wstring ActiveModule() const;
    std::wstring SelectedModule() const;
    void StepMotion();
    void EndMotion(bool reached);
    std::wstring PositionText() const;
    std::wstring AxesText() const;
    void Trace(CallId id, std::int32_t ret);
    void LoadState();
    void SaveState();
    void TellState(const std::wstring& what, const std::wstring& detail);

    std::uint32_t AddMessage(MsgKind kind, std::uint32_t number, std::wstring t1, std::wstring t2,
                             std::vector<std::wstring> answers = {});
    void AnnounceRemoval(std::uint32_t handle);
    void RemoveMessage(std::uint32_t handle);
    void ConfirmMessage(std::uint32_t handle);
    bool AnswerDialog(std::uint32_t handle, std::int64_t answer);
    bool Write(const std::wstring& key, const std::wstring& value);  // checked, notifies
    void Changed(const std::wstring& key);
    void SetState(const std::wstring& key, std::wstring value);  // unchecked, notifies on change
    void SyncProgramVars();
    void HaltProgram();
    void EndProgram();
    void StepProgram();
    void ReleaseRun();
    void RemoveHaltMessage();
    // Whether the controller lets a program start now (the program itself aside).
    Outcome MayStart() const;
    void StartMouse();
    void StopMouse();
    // A reading of the mouse that is on: it becomes the latest and is posted.
    void MouseReading(const std::array<std::int16_t, 6>& values);
    // The mouse's own stream (SimConfig::mousePeriod): small deflections that wander.
    void WanderingReading();
    std::int32_t FetchMouse(std::int16_t h, std::span<const LinkArg> args);
    void KeySwitch();
    bool ProgramAdvancing() const;
    Clock::duration StepPeriod() const;
    // The variable a request names: a global one, or with a data path one of a program's
    // own (key "PROGRAM:NAME"). The further arguments of the show and info requests (a
    // display option on other controllers) are not used here.
    std::optional<std::wstring> VarKey(const std::wstring& path, const std::wstring& name) const;

    std::int32_t Fetch(CallId id, std::span<const LinkArg> args);
    static void PutOut(const LinkArg& a, const Out& v);
    std::int32_t SyncAnswer(std::span<const LinkArg> args, Clock::time_point now);
    std::int32_t Abort(std::int16_t h);
    void DropJobs();

    SimConfig m_cfg;
    SimVariables m_vars;
    SimMessageBuffer m_messages;
    SimProgram m_program;

    bool m_open = false;
    HWND m_window = 0;
    UINT m_plexaMsg = 0;
    UINT m_keyMsg = 0;
    std::vector<Post> m_posts;
    Clock::time_point m_now{};
    std::set<std::int16_t> m_live;  // handles no new job may take

    int m_nextHandle = 0;
    std::deque<Job> m_pending;                 // first result still due, in start order
    std::map<std::int16_t, Standing> m_standing;
    std::map<std::int16_t, std::uint32_t> m_asking;  // EditExec jobs waiting for SyncAnswer
    std::map<std::int16_t, Job> m_askJobs;
    Mailbox m_mailbox;
    std::int16_t m_completing = 0;  // the job Tick is completing, while it does

    std::int16_t m_runHandle = 0;  // the job that started the running program
    std::uint32_t m_programDialog = 0;
    std::vector<std::wstring> m_programAnswers;
    Clock::time_point m_nextStep{};
    bool m_startHeld = false;
    bool m_stopHeld = false;
    std::uint32_t m_haltMessage = 0;

    Mouse m_mouse;
    std::int16_t m_mouseJob = kEveryone;  // the job that switched it on

    bool m_powered = true;
    bool m_startDisabled = false;
    std::wstring m_disableReason;
    std::uint32_t m_disableMessage = 0;
    std::int32_t m_busMask = 0x7;  // bus 4 is down until restarted
    std::int32_t m_activeInterface = 1;
    std::int32_t m_tandixConfig = 0;
    std::uint32_t m_nextMsgHandle = 0;
    std::uint64_t m_stampCount = 0;

    SimFileSystem m_fs;
    bool m_stateOff = false;      // the state file there could be neither read nor moved aside
    bool m_stateFailing = false;  // the last save failed
    SimHostFolder m_host;
    SimLog m_log;
    std::map<std::int32_t, OpenCode> m_code;
    std::int32_t m_nextCode = 0;
    std::int32_t m_editor = 0;  // the module code handle the editor works on
    bool m_descrMode = false;
    bool m_autoAnalyse = false;
    std::map<std::wstring, std::vector<CodeError>> m_errors;  // by module full name
    std::wstring m_selectedModule;  // full name of the module item execution selected...
    std::wstring m_selectedName;    // ...and the program it became

    bool m_install = false;
    std::array<double, 6> m_axes{0, -90, 90, 0, 0, 0};
    std::array<double, 6> m_pos{450, 0, 900, 0, 90, 0};
    std::optional<Motion> m_motion;
    int m_jogAxis = 0;  // 1..6 while an axis jogs; negative jogs the other way
    Clock::time_point m_nextJog{};
};

}  // namespace vantel::link::sim
