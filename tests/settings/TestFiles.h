// Test helpers: a temporary program folder, whole-file access, and running as an unprivileged user.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A fresh folder under /tmp, removed with everything in it at the end.
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
        std::error_code Ec;
        std::filesystem::remove_all(Path, Ec);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> R;
        std::error_code Ec;
        for (const auto& E : std::filesystem::directory_iterator(Path, Ec)) R.push_back(E.path().filename());
        return R;
    }
    std::string Path;  // ends in "/"
};

inline std::string ReadFileText(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(F), {}};
}

inline void WriteFileText(const std::string& Path, const std::string& Text) {
    std::ofstream(Path, std::ios::binary | std::ios::trunc) << Text;
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
