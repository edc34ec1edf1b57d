// main() of the GUI test programs: a wx application for the whole run, wx
// assertions turned into test failures (a dialog would hang the run), and
// nothing of the toolkit started while CTest only lists the tests.

#include <wx/app.h>
#include <wx/init.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

void FailOnAssert(const wxString& File, int Line, const wxString& Func, const wxString& Cond,
                  const wxString& Msg)
{
    ADD_FAILURE() << "wx assertion at " << File << ":" << Line << " in " << Func << ": " << Cond
                  << " " << Msg;
}

class TTestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TTestApp);

#if defined(__SANITIZE_THREAD__)
// Under ThreadSanitizer the toolkit's libraries run uninstrumented and
// synchronise among themselves through futexes it cannot see, which it
// would report as races. Their calls are left out of its view, so what it
// reports is our own code's.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libglib-2.0.so.0\n"
           "called_from_lib:libgio-2.0.so.0\n"
           "called_from_lib:libfontconfig.so.1\n"
           "called_from_lib:libpangoft2-1.0.so.0\n";
}
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int I = 1; I < argc; ++I) {
        if (std::strcmp(argv[I], "--gtest_list_tests") == 0)
            return RUN_ALL_TESTS();
    }
    wxSetAssertHandler(FailOnAssert);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "the toolkit cannot start (no display?)\n");
        return 1;
    }
    wxTheApp->SetAppDisplayName("Nimbral");
    const int Result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return Result;
}
