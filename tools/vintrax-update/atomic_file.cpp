#include "tools/vintrax-update/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace vintrax::objtool {
namespace {

std::string Reason(int error) { return std::strerror(error); }

// The temporary file's name for the signal handler, which may only use
// async-signal-safe calls: a fixed buffer, unlink, sigaction, raise.
char g_pendingTemp[PATH_MAX + 1];
volatile std::sig_atomic_t g_hasPendingTemp = 0;

constexpr int kWatchedSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kWatchedCount = sizeof(kWatchedSignals) / sizeof(kWatchedSignals[0]);
struct sigaction g_previous[kWatchedCount];
bool g_watched[kWatchedCount] = {};

extern "C" void RemoveTempAndDie(int signal) {
    if (g_hasPendingTemp) unlink(g_pendingTemp);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(signal, &standard, nullptr);
    raise(signal);
}

// A signal the caller chose to ignore (nohup ignores SIGHUP) stays ignored: the
// run goes on and the temporary file is renamed as usual.
void WatchTemp(const std::string& path) {
    if (path.size() > PATH_MAX) return;
    std::memcpy(g_pendingTemp, path.c_str(), path.size() + 1);
    g_hasPendingTemp = 1;
    for (int i = 0; i < kWatchedCount; ++i) {
        g_watched[i] = false;
        if (sigaction(kWatchedSignals[i], nullptr, &g_previous[i]) != 0 || g_previous[i].sa_handler == SIG_IGN) continue;
        struct sigaction watch {};
        watch.sa_handler = RemoveTempAndDie;
        sigemptyset(&watch.sa_mask);
        g_watched[i] = sigaction(kWatchedSignals[i], &watch, nullptr) == 0;
    }
}

void UnwatchTemp() {
    g_hasPendingTemp = 0;
    for (int i = 0; i < kWatchedCount; ++i) {
        if (g_watched[i]) sigaction(kWatchedSignals[i], &g_previous[i], nullptr);
        g_watched[i] = false;
    }
}

void WriteAll(int fd, std::string_view bytes, const std::string& name) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError("cannot write " + name + ": " + Reason(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string ReadInput(const std::string& path) {
    const bool standardInput = path == "-";
    const std::string name = standardInput ? "standard input" : path;
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError("cannot open " + name + ": " + Reason(errno));
    std::string text;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        if (!standardInput) ::close(fd);
        throw FileError("cannot read " + name + ": it is a directory");
    }
    // A regular file is read into a buffer of its size (plus the byte that
    // shows the end); a pipe's buffer grows by half each time it fills.
    text.resize(S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : (1u << 20));
    std::size_t used = 0;
    while (true) {
        if (used == text.size()) text.resize(text.size() + text.size() / 2);
        const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            if (!standardInput) ::close(fd);
            throw FileError("cannot read " + name + ": " + Reason(error));
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    if (!standardInput) ::close(fd);
    text.resize(used);
    return text;
}

void DescriptorSink::Write(std::string_view bytes) { WriteAll(fd_, bytes, name_); }

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    // Replace what a link points at, not the link.
    if (char* real = ::realpath(target.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) throw FileError("cannot write " + target + ": it is a directory");

    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? std::string() : target_.substr(0, slash + 1)) + "." + base + ".vintrax-XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) throw FileError("cannot create a temporary file in " + folder + " to write " + target + ": " + Reason(errno));
    temp_ = pattern;
    WatchTemp(temp_);

    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
        // Keeping the group needs membership of it; other groups are not an error.
        if (::fchown(fd_, static_cast<uid_t>(-1), existing.st_gid) != 0) {
            // The file keeps the creator's group.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd_, mode) != 0) {
        const int error = errno;
        Discard();
        throw FileError("cannot set the permissions of " + temp_ + ": " + Reason(error));
    }
}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

void AtomicFile::Discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    UnwatchTemp();
}

void AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0) throw FileError("cannot write " + target_ + ": the file is closed");
    WriteAll(fd_, bytes, target_);
}

void AtomicFile::Commit() {
    if (fd_ < 0) throw FileError("cannot write " + target_ + ": the file is closed");
    if (::fsync(fd_) != 0) throw FileError("cannot flush " + target_ + " to disk: " + Reason(errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw FileError("cannot write " + target_ + ": " + Reason(errno));
    if (::rename(temp_.c_str(), target_.c_str()) != 0) throw FileError("cannot replace " + target_ + ": " + Reason(errno));
    committed_ = true;
    temp_.clear();
    UnwatchTemp();
    // Make the rename itself durable. The new file is in place whatever this
    // returns, so a failure here is not reported as a failed write.
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash == 0 ? 1 : slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace vintrax::objtool
