// What the end-to-end scenarios under Wine ask of the client, as another
// Windows program of the session would. The windows meant are the top-level
// windows of NimbralClient.exe processes whose title begins with TITLE
// (default "NIMBRAL | ", the main window; ASCII only, as it comes from the
// command line). Other programs on the same display, such as the GUI test
// suites running beside the scenarios, may show windows of the same title.
//   window_probe state [TITLE]     prints "windows=<n> iconic=<0|1> visible=<0|1> foreground=<0|1>"
//                                  about the first one found
//   window_probe minimize [TITLE]  minimises it
//   window_probe close [TITLE]     asks every one of them to close
//   window_probe enter [TITLE]     brings it to the front and presses Enter, as the user would
//   window_probe processes         prints "processes=<n>", the running NimbralClient.exe
// Exit code 0, or 1 when no such window exists.

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<DWORD> ClientProcesses()
{
    std::vector<DWORD> Ids;
    HANDLE Snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (Snapshot == INVALID_HANDLE_VALUE)
        return Ids;
    PROCESSENTRY32W Entry{};
    Entry.dwSize = sizeof Entry;
    for (BOOL More = Process32FirstW(Snapshot, &Entry); More; More = Process32NextW(Snapshot, &Entry)) {
        if (lstrcmpiW(Entry.szExeFile, L"NimbralClient.exe") == 0)
            Ids.push_back(Entry.th32ProcessID);
    }
    CloseHandle(Snapshot);
    return Ids;
}

struct TSearch {
    std::wstring Prefix;
    std::vector<DWORD> Processes;
    std::vector<HWND> Found;
};

std::vector<HWND> ClientWindowsTitled(const std::string& Prefix)
{
    TSearch Search{std::wstring(Prefix.begin(), Prefix.end()), ClientProcesses(), {}};
    EnumWindows(
        [](HWND Window, LPARAM Into) -> BOOL {
            auto& S = *reinterpret_cast<TSearch*>(Into);
            DWORD Process = 0;
            GetWindowThreadProcessId(Window, &Process);
            if (std::find(S.Processes.begin(), S.Processes.end(), Process) == S.Processes.end())
                return TRUE;
            wchar_t Title[128] = {};
            GetWindowTextW(Window, Title, 128);
            if (std::wstring(Title).rfind(S.Prefix, 0) == 0)
                S.Found.push_back(Window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&Search));
    return Search.Found;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string Command = argc > 1 ? argv[1] : "state";
    if (Command == "processes") {
        std::printf("processes=%zu\n", ClientProcesses().size());
        return 0;
    }
    const std::vector<HWND> Windows = ClientWindowsTitled(argc > 2 ? argv[2] : "NIMBRAL | ");
    if (Windows.empty()) {
        std::printf("windows=0\n");
        return 1;
    }
    HWND Window = Windows.front();
    if (Command == "minimize") {
        ShowWindow(Window, SW_MINIMIZE);
    } else if (Command == "enter") {
        SetForegroundWindow(Window);
        INPUT Keys[2] = {};
        Keys[0].type = Keys[1].type = INPUT_KEYBOARD;
        Keys[0].ki.wVk = Keys[1].ki.wVk = VK_RETURN;
        Keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, Keys, sizeof(INPUT));
    } else if (Command == "close") {
        for (HWND Each : Windows)
            PostMessageW(Each, WM_CLOSE, 0, 0);
    } else {
        std::printf("windows=%zu iconic=%d visible=%d foreground=%d\n", Windows.size(),
                    IsIconic(Window) ? 1 : 0, IsWindowVisible(Window) ? 1 : 0,
                    GetForegroundWindow() == Window ? 1 : 0);
    }
    return 0;
}
