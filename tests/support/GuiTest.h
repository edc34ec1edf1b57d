#pragma once
// What GUI tests share: a wx application started once for the test program
// (tests/support/GuiTestMain.cpp), event pumping, and answers to modal
// message boxes given without showing them.

#include <wx/modalhook.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace nimbral::test {

// Runs the event loop until Done is true or Timeout passes; true when Done.
bool PumpUntil(const std::function<bool()>& Done,
               std::chrono::milliseconds Timeout = std::chrono::seconds(10));
// Runs the event loop for a while (pending events, timers).
void PumpFor(std::chrono::milliseconds Duration);

// Answers every modal dialog while it lives, without showing it, and keeps
// the message of each: the first answers in order, then the last one again.
class TDialogAnswers : public wxModalDialogHook {
public:
    explicit TDialogAnswers(std::vector<int> Answers = {wxID_OK});
    ~TDialogAnswers() override;

    const std::vector<std::string>& Messages() const { return FMessages; }

protected:
    int Enter(wxDialog* Dialog) override;
    void Exit(wxDialog*) override {}

private:
    std::vector<int> FAnswers;
    std::size_t FNext = 0;
    std::vector<std::string> FMessages;
};

}  // namespace nimbral::test
