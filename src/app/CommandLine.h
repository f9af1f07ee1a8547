// The program's command line: velnaro [--portable] [--help] [--version] [mailto:...]
#pragma once

#include <string>
#include <vector>

struct TCommandLine {
    enum TAction {
        Run,          // start the program
        ShowHelp,     // print Output to standard output, exit 0
        ShowVersion,  // print Output to standard output, exit 0
        Fail          // print Output to standard error, exit 2
    };
    TAction Action = Run;
    bool Portable = false;  // --portable: keep the files in the program folder
    std::string Mailto;     // the mailto link as given; empty when none
    std::string Output;     // UTF-8 text for the terminal
};

// Reads the arguments after the program name, in order; --help and --version
// answer at once. The options of Qt's own (-platform NAME, -style NAME, ...)
// are stepped over, since QApplication takes them; "--" ends the options.
TCommandLine ParseCommandLine(const std::vector<std::string>& Args);

// "velnaro ver1.2.1.4" and a line end.
std::string VersionText();
// The usage text of --help.
std::string UsageText();
