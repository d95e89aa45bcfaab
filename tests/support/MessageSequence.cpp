#include "MessageSequence.h"

#include <commctrl.h>

#include <cstdio>

namespace testsupport {

namespace {

struct Named {
    UINT message;
    const char* name;
};

#define PYROLUX_NAMED(m) {m, #m}
const Named kNames[] = {
    PYROLUX_NAMED(WM_CREATE), PYROLUX_NAMED(WM_DESTROY), PYROLUX_NAMED(WM_MOVE),
    PYROLUX_NAMED(WM_SIZE), PYROLUX_NAMED(WM_ACTIVATE), PYROLUX_NAMED(WM_SETFOCUS),
    PYROLUX_NAMED(WM_KILLFOCUS), PYROLUX_NAMED(WM_ENABLE), PYROLUX_NAMED(WM_SETTEXT),
    PYROLUX_NAMED(WM_PAINT), PYROLUX_NAMED(WM_CLOSE), PYROLUX_NAMED(WM_SHOWWINDOW),
    PYROLUX_NAMED(WM_NCCREATE), PYROLUX_NAMED(WM_NCDESTROY), PYROLUX_NAMED(WM_NCPAINT),
    PYROLUX_NAMED(WM_INITDIALOG), PYROLUX_NAMED(WM_COMMAND), PYROLUX_NAMED(WM_SYSCOMMAND),
    PYROLUX_NAMED(WM_TIMER), PYROLUX_NAMED(WM_NULL), PYROLUX_NAMED(WM_PARENTNOTIFY),
    PYROLUX_NAMED(SBM_SETPOS), PYROLUX_NAMED(SBM_SETRANGE), PYROLUX_NAMED(SBM_SETRANGEREDRAW),
    PYROLUX_NAMED(SBM_SETSCROLLINFO), PYROLUX_NAMED(SBM_GETSCROLLINFO),
};
#undef PYROLUX_NAMED

// The recorder of the calling thread (one at a time).
MessageRecorder* g_recorder = nullptr;

std::string Describe(const MessageEntry& entry)
{
    std::string text = MessageName(entry.message);
    if (entry.flags & Sent)
        text += " sent";
    if (entry.flags & Posted)
        text += " posted";
    if (entry.flags & PassedOn)
        text += " passed-on";
    if (entry.flags & Optional)
        text += " optional";
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " w=%lu l=%ld", static_cast<unsigned long>(entry.wParam),
                  static_cast<long>(entry.lParam));
    text += numbers;
    if (!entry.note.empty())
        text += " (" + entry.note + ")";
    return text;
}

// Why `got` does not match `want`, or empty.
std::string Mismatch(const MessageEntry& got, const MessageEntry& want)
{
    const unsigned how = Sent | Posted | PassedOn;
    if (got.message != want.message)
        return "message";
    if ((got.flags & how) != (want.flags & how))
        return "how it arrived";
    if ((want.flags & CheckWParam) && got.wParam != want.wParam)
        return "wParam";
    if ((want.flags & CheckLParam) && got.lParam != want.lParam)
        return "lParam";
    if (got.note != want.note)
        return "note";
    return std::string();
}

std::string Listing(const char* title, const std::vector<MessageEntry>& entries)
{
    std::string text = std::string(title) + ":\n";
    for (size_t i = 0; i < entries.size(); ++i)
        text += "  " + std::to_string(i) + ": " + Describe(entries[i]) + "\n";
    return text;
}

}  // namespace

std::string MessageName(UINT message)
{
    for (const Named& named : kNames) {
        if (named.message == message)
            return named.name;
    }
    char number[16];
    std::snprintf(number, sizeof number, "0x%04X", message);
    return number;
}

void MessageSequence::Add(UINT message, unsigned flags, WPARAM wParam, LPARAM lParam,
                          std::string note)
{
    m_entries.emplace_back(message, flags, wParam, lParam, std::move(note));
}

std::string SequenceDifference(const std::vector<MessageEntry>& recorded,
                               const std::vector<MessageEntry>& expected)
{
    size_t got = 0, want = 0;
    std::string problem;
    while (want < expected.size() && problem.empty()) {
        std::string why = got < recorded.size() ? Mismatch(recorded[got], expected[want])
                                                : std::string("end");
        if (why.empty()) {
            ++got;
            ++want;
        } else if (expected[want].flags & Optional) {
            ++want;
        } else if (got < recorded.size()) {
            problem = "entry " + std::to_string(got) + ": " + Describe(recorded[got]) +
                      ", expected " + Describe(expected[want]) + " (" + why + " differs)";
        } else {
            problem = "missing at the end: " + Describe(expected[want]);
        }
    }
    if (problem.empty() && got < recorded.size())
        problem = "not expected: entry " + std::to_string(got) + ": " + Describe(recorded[got]);
    if (problem.empty())
        return problem;
    return problem + "\n" + Listing("recorded", recorded) + Listing("expected", expected);
}

MessageRecorder::MessageRecorder(std::initializer_list<HWND> windows,
                                 std::initializer_list<UINT> messages)
    : m_messages(messages)
{
    std::set<HWND> set(windows);
    m_watched = [set](HWND window) { return set.count(window) != 0; };
    Hook();
}

MessageRecorder::MessageRecorder(std::function<bool(HWND)> watched,
                                 std::initializer_list<UINT> messages)
    : m_watched(std::move(watched)), m_messages(messages)
{
    Hook();
}

void MessageRecorder::Hook()
{
    g_recorder = this;
    DWORD thread = GetCurrentThreadId();
    m_sentHook = SetWindowsHookExA(WH_CALLWNDPROC, &OnSent, nullptr, thread);
    m_postedHook = SetWindowsHookExA(WH_GETMESSAGE, &OnPosted, nullptr, thread);
}

MessageRecorder::~MessageRecorder()
{
    if (m_sentHook)
        UnhookWindowsHookEx(m_sentHook);
    if (m_postedHook)
        UnhookWindowsHookEx(m_postedHook);
    if (g_recorder == this)
        g_recorder = nullptr;
}

void MessageRecorder::Note(const MSG& msg, unsigned flags)
{
    if (m_messages.count(msg.message) && m_watched(msg.hwnd))
        sequence.Add(msg.message, flags, msg.wParam, msg.lParam);
}

LRESULT CALLBACK MessageRecorder::OnSent(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_recorder) {
        const CWPSTRUCT* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        MSG msg = {cwp->hwnd, cwp->message, cwp->wParam, cwp->lParam, 0, {0, 0}};
        g_recorder->Note(msg, Sent);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MessageRecorder::OnPosted(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE && g_recorder)
        g_recorder->Note(*reinterpret_cast<const MSG*>(lParam), Posted);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace testsupport
