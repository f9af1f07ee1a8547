// Test helpers: a temporary program folder, whole-file access, and running as an unprivileged user.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A fresh folder under /tmp, removed with its files at the end.
class TTempDir {
public:
    TTempDir() {
        char Tmpl[] = "/tmp/velnaro-test-XXXXXX";
        Path = ::mkdtemp(Tmpl);
        Path += "/";
        ::chmod(Path.c_str(), 0777);  // reachable when a test drops to an unprivileged user
    }
    ~TTempDir() {
        ::chmod(Path.c_str(), 0777);
        for (const std::string& F : Files()) ::unlink((Path + F).c_str());
        ::rmdir(Path.c_str());
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> R;
        if (DIR* D = ::opendir(Path.c_str())) {
            while (dirent* E = ::readdir(D))
                if (std::string(E->d_name) != "." && std::string(E->d_name) != "..") R.push_back(E->d_name);
            ::closedir(D);
        }
        return R;
    }
    std::string Path;  // ends in "/"
};

inline std::string ReadFileText(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    std::ostringstream S;
    S << F.rdbuf();
    return S.str();
}

inline void WriteFileText(const std::string& Path, const std::string& Text) {
    std::ofstream F(Path, std::ios::binary | std::ios::trunc);
    F << Text;
}

// While alive, file access runs as user "nobody" when the test runs as root,
// so that permission bits refuse access as they do for a user.
class TAsUnprivileged {
public:
    TAsUnprivileged() : FWasRoot(::geteuid() == 0) {
        if (FWasRoot && ::setegid(65534) != 0) ADD_FAILURE() << "setegid";
        if (FWasRoot && ::seteuid(65534) != 0) ADD_FAILURE() << "seteuid";
    }
    ~TAsUnprivileged() {
        if (FWasRoot) {
            if (::seteuid(0) != 0) std::abort();
            if (::setegid(0) != 0) std::abort();
        }
    }

private:
    bool FWasRoot;
};
