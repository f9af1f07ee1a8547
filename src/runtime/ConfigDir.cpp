// The folder of the settings file and the address book: a portable program
// folder or the user's XDG configuration folder.
#include "ConfigDir.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "SysUtils.h"

namespace {

const char SettingsName[] = "VELNARO.ini";

bool IsAbsolute(const std::string& Path) { return !Path.empty() && Path[0] == '/'; }

std::string WithSlash(std::string Path) {
    if (Path.empty() || Path.back() != '/') Path += '/';
    return Path;
}

// The account's home folder from the password database; empty when unknown.
std::string AccountHome() {
    long Size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> Buf(Size > 0 ? static_cast<size_t>(Size) : 16384);
    struct passwd Entry;
    struct passwd* Found = nullptr;
    if (getpwuid_r(getuid(), &Entry, Buf.data(), Buf.size(), &Found) != 0 || !Found || !Found->pw_dir)
        return std::string();
    return Found->pw_dir;
}

// Creates every missing folder of Path (ending in "/") with mode 0700; folders
// that exist keep their modes. Returns 0 or the errno of the first failure.
int MakeFolders(const std::string& Path) {
    for (size_t Slash = Path.find('/', 1); Slash != std::string::npos; Slash = Path.find('/', Slash + 1)) {
        const std::string Part = Path.substr(0, Slash);
        if (mkdir(Part.c_str(), 0700) == 0) continue;
        const int Err = errno;
        struct stat St;
        if (Err == EEXIST && stat(Part.c_str(), &St) == 0) {
            if (!S_ISDIR(St.st_mode)) return ENOTDIR;
            continue;
        }
        return Err;
    }
    return 0;
}

std::string Env(const char* Name) {
    const char* V = std::getenv(Name);
    return V ? std::string(V) : std::string();
}

std::mutex ChoiceLock;
bool PortableSwitch = false;
bool Chosen = false;
TConfigDirChoice Kept;

}  // namespace

TConfigDirChoice ChooseConfigDir(const TConfigDirInputs& In) {
    TConfigDirChoice R;
    const std::string Program = WithSlash(In.ProgramFolder);
    struct stat St;
    const bool HasSettings = stat((Program + SettingsName).c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
    if (In.Portable || HasSettings) {
        R.Dir = Program;
        R.Portable = true;
        return R;
    }
    // Relative values are invalid by the XDG rules and are ignored.
    std::string Base;
    if (IsAbsolute(In.XdgConfigHome)) {
        Base = WithSlash(In.XdgConfigHome);
    } else {
        std::string Home = IsAbsolute(In.Home) ? In.Home : AccountHome();
        if (!IsAbsolute(Home)) {
            R.Dir = Program;
            R.Portable = true;
            return R;
        }
        Base = WithSlash(Home) + ".config/";
    }
    R.Dir = Base + "velnaro/";
    R.Error = MakeFolders(R.Dir);
    return R;
}

TConfigDirChoice ConfigDirChoice() {
    std::lock_guard<std::mutex> G(ChoiceLock);
    if (!Chosen) {
        TConfigDirInputs In;
        In.ProgramFolder = ExecutableDir();
        In.Portable = PortableSwitch;
        In.XdgConfigHome = Env("XDG_CONFIG_HOME");
        In.Home = Env("HOME");
        Kept = ChooseConfigDir(In);
        Chosen = true;
    }
    return Kept;
}

void SetPortableMode(bool On) {
    std::lock_guard<std::mutex> G(ChoiceLock);
    PortableSwitch = On;
    Chosen = false;
}
