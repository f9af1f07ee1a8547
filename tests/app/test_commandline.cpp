// The program's command line (what it prints is checked on the real program by command_line.sh).
#include <gtest/gtest.h>

#include "CommandLine.h"

TEST(CommandLine, ActionsOptionsAndLink) {
    using A = TCommandLine::TAction;
    struct Case {
        std::vector<std::string> Args;
        A Action;
        bool Portable;
        std::string Mailto;
    };
    const Case Cases[] = {
        {{}, A::Run, false, ""},
        {{"--portable", "mailto:a@x"}, A::Run, true, "mailto:a@x"},
        {{"--", "MAILTO:a@x"}, A::Run, false, "MAILTO:a@x"},
        // Qt's own options are left to QApplication.
        {{"-platform", "offscreen", "-style=fusion", "--reverse", "mailto:a@x"}, A::Run, false, "mailto:a@x"},
        {{"--help"}, A::ShowHelp, false, ""},
        {{"mailto:a@x", "-h"}, A::ShowHelp, false, ""},
        {{"--version", "--help"}, A::ShowVersion, false, ""},
        {{"--bogus"}, A::Fail, false, ""},
        {{"a@x"}, A::Fail, false, ""},
        {{"--", "--help"}, A::Fail, false, ""},
        {{"mailto:a@x", "mailto:b@x"}, A::Fail, false, ""},
    };
    for (const Case& C : Cases) {
        std::string Line;
        for (const std::string& S : C.Args) Line += S + " ";
        SCOPED_TRACE(Line);
        const TCommandLine R = ParseCommandLine(C.Args);
        EXPECT_EQ(R.Action, C.Action);
        if (C.Action != A::Run) continue;
        EXPECT_EQ(R.Portable, C.Portable);
        EXPECT_EQ(R.Mailto, C.Mailto);
    }
}
