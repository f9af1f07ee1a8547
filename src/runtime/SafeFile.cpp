// Whole-file reads and writes; a write never leaves a half-written file behind.
#include "SafeFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

namespace {

// Writes all of Data to Fd, retrying short writes and interrupted calls.
int WriteAll(int Fd, const std::string& Data) {
    const char* P = Data.data();
    size_t Left = Data.size();
    while (Left > 0) {
        ssize_t N = ::write(Fd, P, Left);
        if (N < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        P += N;
        Left -= static_cast<size_t>(N);
    }
    return 0;
}

// Flushes a folder so that a rename inside it survives a crash.
void SyncDir(const std::string& Dir) {
    int Fd = ::open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd >= 0) {
        ::fsync(Fd);
        ::close(Fd);
    }
}

}  // namespace

int Write(const std::string& Path, const std::string& Data, unsigned Mode) {
    // Replace the target of a symbolic link, not the link itself.
    std::string Target = Path;
    struct stat St;
    if (::lstat(Path.c_str(), &St) == 0 && S_ISLNK(St.st_mode)) {
        char* Real = ::realpath(Path.c_str(), nullptr);
        if (Real) {
            Target = Real;
            std::free(Real);
        }
    }
    const size_t Slash = Target.rfind('/');
    const std::string Dir = Slash == std::string::npos ? std::string(".") : Target.substr(0, Slash + 1);
    const std::string Base = Slash == std::string::npos ? Target : Target.substr(Slash + 1);

    std::string Temp = Dir + (Slash == std::string::npos ? "/" : "") + "." + Base + ".XXXXXX";
    int Fd = ::mkstemp(&Temp[0]);
    if (Fd < 0) return errno;
    int Err = 0;
    if (::fchmod(Fd, static_cast<mode_t>(Mode)) != 0) Err = errno;
    if (!Err) Err = WriteAll(Fd, Data);
    if (!Err && ::fsync(Fd) != 0) Err = errno;
    if (::close(Fd) != 0 && !Err) Err = errno;
    if (!Err && ::rename(Temp.c_str(), Target.c_str()) != 0) Err = errno;
    if (Err) {
        ::unlink(Temp.c_str());
        return Err;
    }
    SyncDir(Dir);
    return 0;
}

bool Exists(const std::string& Path) {
    struct stat St;
    return ::stat(Path.c_str(), &St) == 0;
}

int Read(const std::string& Path, std::string& Data) {
    Data.clear();
    int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0) return errno;
    int Err = 0;
    char Buf[65536];
    for (;;) {
        ssize_t N = ::read(Fd, Buf, sizeof Buf);
        if (N < 0) {
            if (errno == EINTR) continue;
            Err = errno;
            break;
        }
        if (N == 0) break;
        Data.append(Buf, static_cast<size_t>(N));
    }
    ::close(Fd);
    if (Err) Data.clear();
    return Err;
}

}  // namespace SafeFile
