// Threads of ours that fail: the failure ends only the thread, is told to the user once,
// and the program goes on. The "once" holds for the whole process, so this is the only
// test that lets a worker fail.
#include "framework/Prompter.h"
#include "framework/SideThread.h"
#include "framework/Worker.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Workers tell from their own threads: the record is locked.
class RecordingPrompter final : public framework::Prompter {
public:
    RecordingPrompter() { previous_ = framework::SetPrompter(this); }
    ~RecordingPrompter() override { framework::SetPrompter(previous_); }

    framework::Answer AskYesNo(HWND, const std::wstring& text) override { return Record(L"?" + text); }
    framework::Answer AskYesNoCancel(HWND, const std::wstring& text) override { return Record(L"?" + text); }
    void Tell(HWND, const std::wstring& text, bool error) override { Record((error ? L"!error " : L"!info ") + text); }

    std::vector<std::wstring> shown() {
        std::lock_guard<std::mutex> guard(lock_);
        return shown_;
    }

private:
    framework::Answer Record(const std::wstring& entry) {
        std::lock_guard<std::mutex> guard(lock_);
        shown_.push_back(entry);
        return framework::Answer::No;
    }

    std::mutex lock_;
    std::vector<std::wstring> shown_;
    framework::Prompter* previous_ = nullptr;
};

TEST(Workers, AFailingThreadIsToldOnceWithItsReasonAndTheProgramGoesOn) {
    RecordingPrompter prompter;
    framework::StartWorker(7, [](int) { throw std::runtime_error("the disk is full"); });
    ASSERT_TRUE(testing_support::PumpUntil([&] { return !prompter.shown().empty(); }))
        << "the failed worker told nothing";
    const std::wstring told = prompter.shown().front();
    EXPECT_EQ(told.rfind(L"!error ", 0), 0u) << testing::PrintToString(told);
    EXPECT_NE(told.find(L"the disk is full"), std::wstring::npos) << testing::PrintToString(told);

    // A side thread that throws something that is no std::exception: once it has ended,
    // nothing more has been told, and this thread is still here to check it.
    framework::SideThread side([] { throw 42; });
    side.Wait();
    EXPECT_EQ(prompter.shown().size(), 1u);
}

}  // namespace
