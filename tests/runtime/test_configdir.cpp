// The folder of the settings file and address book, chosen on real folders.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "../settings/TestFiles.h"
#include "ConfigDir.h"
#include "SysUtils.h"

namespace {
namespace fs = std::filesystem;

// A scratch tree under /tmp, searchable by every user, removed at the end.
struct TScratch {
    TScratch() {
        char Tmpl[] = "/tmp/velnaro-cfg-XXXXXX";
        Root = ::mkdtemp(Tmpl);
        ::chmod(Root.c_str(), 0755);
    }
    ~TScratch() {
        std::error_code Ec;
        for (auto& E : fs::recursive_directory_iterator(Root, Ec))
            if (E.is_directory(Ec))
                fs::permissions(E.path(), fs::perms::owner_all, fs::perm_options::add, Ec);
        fs::remove_all(Root, Ec);
    }
    // Makes folder Rel with the given mode and returns its path ending in "/".
    std::string Folder(const std::string& Rel, mode_t Mode = 0755) const {
        const std::string P = Root + "/" + Rel;
        fs::create_directories(P);
        ::chmod(P.c_str(), Mode);
        return P + "/";
    }
    std::string Root;
};

}  // namespace

TEST(ConfigFolder, ChoosesProgramOrXdgFolder) {
    const struct {
        const char* Name;
        bool IniInProgram, Portable;
        const char* Xdg;   // relative to the scratch root unless it starts with "."; "" unset
        const char* Want;  // "program", or the expected folder relative to the scratch root
        int Error;
    } Cases[] = {
        {"portable copy", true, false, "xdg", "program", 0},
        {"--portable", false, true, "xdg", "program", 0},
        {"XDG folder not there yet", false, false, "new/xdg", "new/xdg/velnaro/", 0},
        {"XDG unset", false, false, "", "home/.config/velnaro/", 0},
        {"XDG relative", false, false, "./xdg", "home/.config/velnaro/", 0},
        {"XDG a file", false, false, "file", "file/velnaro/", ENOTDIR},  // named with its error
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TScratch S;
        TConfigDirInputs In;
        In.ProgramFolder = S.Folder("program");
        S.Folder("home");
        In.Home = S.Root + "/home";
        std::ofstream(S.Root + "/file") << "x";
        if (C.IniInProgram) std::ofstream(In.ProgramFolder + "VELNARO.ini") << "[Number]\r\ncount=0\r\n";
        In.Portable = C.Portable;
        In.XdgConfigHome = *C.Xdg == 0 || *C.Xdg == '.' ? std::string(C.Xdg) : S.Root + "/" + C.Xdg;
        const TConfigDirChoice R = ChooseConfigDir(In);
        EXPECT_EQ(R.Error, C.Error);
        EXPECT_EQ(R.Dir, R.Portable ? In.ProgramFolder : S.Root + "/" + C.Want);
        EXPECT_EQ(R.Portable, std::string(C.Want) == "program");
        struct stat St;  // created for this user only
        if (!R.Portable) {
            EXPECT_EQ(::stat(R.Dir.c_str(), &St) == 0 ? St.st_mode & 07777 : 0u, C.Error ? 0u : 0700u);
        }
        // Nothing is made in the folders not chosen.
        EXPECT_TRUE(R.Portable ? !fs::exists(S.Root + "/xdg") && fs::is_empty(In.Home)
                               : fs::is_empty(In.ProgramFolder));
    }
}

TEST(ConfigFolder, ReadOnlyProgramFolder) {
    TScratch S;
    const std::string Program = S.Folder("program", 0555), Copy = S.Folder("copy");
    std::ofstream(Copy + "VELNARO.ini") << "[Number]\r\ncount=0\r\n";
    ::chmod(Copy.c_str(), 0555);
    TConfigDirInputs In;
    In.XdgConfigHome = S.Folder("xdg", 0777);
    TAsUnprivileged User;
    // Without a settings file the files go to the XDG folder, which the user can create.
    In.ProgramFolder = Program;
    TConfigDirChoice R = ChooseConfigDir(In);
    EXPECT_EQ(R.Dir + std::to_string(R.Error), S.Root + "/xdg/velnaro/0");
    EXPECT_TRUE(fs::is_directory(R.Dir));
    EXPECT_TRUE(fs::is_empty(Program));
    // A portable copy on read-only media is still read where it is.
    In.ProgramFolder = Copy;
    R = ChooseConfigDir(In);
    EXPECT_EQ(R.Dir, Copy);
    EXPECT_TRUE(R.Portable);
}

TEST(ConfigFolder, ProgramDirFollowsEnvironmentSwitchAndOverride) {
    TScratch S;
    const std::string Xdg = S.Folder("xdg");
    const char* Old = std::getenv("XDG_CONFIG_HOME");
    const std::string Saved = Old ? Old : "";
    ::setenv("XDG_CONFIG_HOME", Xdg.c_str(), 1);
    SetPortableMode(false);
    EXPECT_EQ(ProgramDir(), Xdg + "velnaro/");
    SetPortableMode(true);
    EXPECT_EQ(ProgramDir(), ExecutableDir());
    SetProgramDir("/tmp/velnaro-test");
    EXPECT_EQ(ProgramDir(), "/tmp/velnaro-test/");
    SetProgramDir("");
    EXPECT_EQ(ProgramDir(), ExecutableDir());
    SetPortableMode(false);
    if (Old)
        ::setenv("XDG_CONFIG_HOME", Saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}
