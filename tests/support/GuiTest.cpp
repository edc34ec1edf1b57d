#include "support/GuiTest.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace nimbral::test {

namespace {

// Tests run outside the application's main loop: a loop of their own,
// active while it pumps, lets the toolkit (and WebKit's processes) deliver.
void PumpOnce()
{
    wxGUIEventLoop* Loop = nullptr;
    std::unique_ptr<wxGUIEventLoop> Own;
    if (wxEventLoopBase::GetActive() == nullptr) {
        Own = std::make_unique<wxGUIEventLoop>();
        Loop = Own.get();
    }
    wxEventLoopActivator Activate(Own ? Loop : wxEventLoopBase::GetActive());
    wxEventLoopBase* Active = wxEventLoopBase::GetActive();
    while (Active->Pending())
        Active->Dispatch();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
}

}  // namespace

bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout)
{
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    while (!Done()) {
        if (std::chrono::steady_clock::now() > Deadline)
            return false;
        PumpOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void PumpFor(std::chrono::milliseconds Duration)
{
    const auto Deadline = std::chrono::steady_clock::now() + Duration;
    while (std::chrono::steady_clock::now() < Deadline) {
        PumpOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TDialogAnswers::TDialogAnswers(std::vector<int> Answers) : FAnswers(std::move(Answers))
{
    Register();
}

TDialogAnswers::~TDialogAnswers() { Unregister(); }

int TDialogAnswers::Enter(wxDialog* Dialog)
{
    if (auto* Box = dynamic_cast<wxMessageDialog*>(Dialog))
        FMessages.push_back(Box->GetMessage().utf8_string());
    else
        FMessages.push_back(Dialog->GetTitle().utf8_string());
    if (FAnswers.empty())
        return wxID_CANCEL;
    const int Answer = FAnswers[std::min(FNext, FAnswers.size() - 1)];
    ++FNext;
    return Answer;
}

}  // namespace nimbral::test
