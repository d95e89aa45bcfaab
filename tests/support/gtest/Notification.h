// GoogleTest's internal Notification is built on std::mutex and
// std::condition_variable, which the win32 thread model of our runtime does
// not have. This one stands in for it (force-included into everything that
// compiles against GoogleTest, with GTEST_HAS_NOTIFICATION_ set), on a Win32
// event. Nothing of ours uses it.
#pragma once

#ifdef __cplusplus
namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify();
    void WaitForNotification();

private:
    void* event_;  // a manual-reset event; windows.h stays out of every test
};

}  // namespace internal
}  // namespace testing
#endif
