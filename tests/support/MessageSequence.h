// Message sequences, recorded and compared with an expected one the way
// Wine's message tests do it: each entry is a message with flags saying how
// it arrived; optional expected entries may be missing; a difference is
// reported with both sequences side by side.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

// How a message arrived, and what of an expected entry to compare.
enum MessageFlags : unsigned {
    Sent = 0x01,        // a call of the window procedure (SendMessage, the system)
    Posted = 0x02,      // taken from the queue and dispatched
    PassedOn = 0x04,    // reached the procedure below a layer: the layer passed it on
    Optional = 0x10,    // expected only: may be missing
    CheckWParam = 0x20, // expected only: wParam must match
    CheckLParam = 0x40, // expected only: lParam must match
};

struct MessageEntry {
    MessageEntry(UINT m, unsigned f, WPARAM w = 0, LPARAM l = 0, std::string n = std::string())
        : message(m), flags(f), wParam(w), lParam(l), note(std::move(n))
    {
    }
    UINT message;
    unsigned flags;
    WPARAM wParam;
    LPARAM lParam;
    std::string note;  // what the recording place saw beside the message
};

// "WM_PAINT", or the number for a message without a name here.
std::string MessageName(UINT message);

class MessageSequence {
public:
    void Add(UINT message, unsigned flags, WPARAM wParam = 0, LPARAM lParam = 0,
             std::string note = std::string());
    void Clear() { m_entries.clear(); }
    const std::vector<MessageEntry>& Entries() const { return m_entries; }

private:
    std::vector<MessageEntry> m_entries;
};

// Empty when `recorded` matches `expected`; otherwise the first difference,
// then both sequences.
std::string SequenceDifference(const std::vector<MessageEntry>& recorded,
                               const std::vector<MessageEntry>& expected);

inline ::testing::AssertionResult SequenceIs(const MessageSequence& recorded,
                                             const std::vector<MessageEntry>& expected)
{
    std::string difference = SequenceDifference(recorded.Entries(), expected);
    if (difference.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference;
}

// Records the messages of the watched windows that are in `messages` while
// it lives: sent ones through a WH_CALLWNDPROC hook, posted ones through a
// WH_GETMESSAGE hook as they leave the queue. One at a time per thread.
class MessageRecorder {
public:
    MessageRecorder(std::initializer_list<HWND> windows, std::initializer_list<UINT> messages);
    // For a window that does not exist yet: `watched` picks the windows.
    MessageRecorder(std::function<bool(HWND)> watched, std::initializer_list<UINT> messages);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    MessageSequence sequence;

private:
    static LRESULT CALLBACK OnSent(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK OnPosted(int code, WPARAM wParam, LPARAM lParam);
    void Hook();
    void Note(const MSG& msg, unsigned flags);

    std::function<bool(HWND)> m_watched;
    std::set<UINT> m_messages;
    HHOOK m_sentHook = nullptr;
    HHOOK m_postedHook = nullptr;
};

}  // namespace testsupport
