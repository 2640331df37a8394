#include "cli/Io.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>

#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "cli/Utf8.h"
#else
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvik::cli {

namespace {

std::string reason() {
    return std::strerror(errno);
}

#if defined(_WIN32)
// _read and _write take an unsigned count, and a pipe is happiest with moderate pieces.
constexpr std::size_t kMostAtOnce = 1 << 20;

long systemRead(int fd, char* buffer, std::size_t size) {
    return _read(fd, buffer, static_cast<unsigned>(size < kMostAtOnce ? size : kMostAtOnce));
}
long systemWrite(int fd, const char* data, std::size_t size) {
    return _write(fd, data, static_cast<unsigned>(size < kMostAtOnce ? size : kMostAtOnce));
}

// The console's code page before useUtf8Console changed it; 0 while unchanged.
UINT codePageBefore = 0;

void restoreCodePage() {
    if (codePageBefore != 0) SetConsoleOutputCP(codePageBefore);
}

// Ctrl-C, Ctrl-Break or a closed window end the process without the atexit handlers.
BOOL WINAPI restoreCodePageOnSignal(DWORD) {
    restoreCodePage();
    return FALSE;  // then the default handling: the process ends as it would have
}

// Windows' pipes cannot be waited on with a time limit as sockets can: a read is begun at once.
bool inputWithin(int /*fd*/) {
    return true;
}
#else
long systemRead(int fd, char* buffer, std::size_t size) {
    return ::read(fd, buffer, size < SSIZE_MAX ? size : SSIZE_MAX);
}

// Whether fd has input to read (or its end, or an error, which the read then tells) within a
// tenth of a second: a read then never waits longer than that to look at a stop again. A signal
// wakes poll at once (it is never restarted), and one that comes just before it is seen a tenth
// of a second later.
bool inputWithin(int fd) {
    constexpr int kMilliseconds = 100;
    pollfd wanted{fd, POLLIN, 0};
    const int ready = ::poll(&wanted, 1, kMilliseconds);
    return ready > 0 || (ready < 0 && errno != EINTR);
}

long systemWrite(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size < SSIZE_MAX ? size : SSIZE_MAX);
}
#endif

}  // namespace

std::size_t readSome(int fd, char* buffer, std::size_t size, const std::atomic<bool>* stop) {
    for (;;) {
        if (stop != nullptr && stop->load()) throw Interrupted();
        if (stop != nullptr && !inputWithin(fd)) continue;
        const long got = systemRead(fd, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw ReadError(reason());
    }
}

int openForReading(const std::string& path) {
#if defined(_WIN32)
    const int fd = _wopen(fromUtf8(path).c_str(), _O_RDONLY | _O_BINARY);
#else
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
#endif
    if (fd < 0) throw ReadError(reason());
    return fd;
}

void closeFile(int fd) {
#if defined(_WIN32)
    _close(fd);
#else
    ::close(fd);
#endif
}

void writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const long put = systemWrite(fd, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;  // nothing taken: do not spin
            throw WriteError(reason());
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

bool isTerminal(int fd) {
#if defined(_WIN32)
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
#else
    return isatty(fd) == 1;
#endif
}

std::size_t terminalColumns(int fd) {
#if defined(_WIN32)
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (handle == INVALID_HANDLE_VALUE || GetConsoleScreenBufferInfo(handle, &info) == 0) return 0;
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
#else
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
#endif
}

std::uint64_t fileSize(int fd) {
#if defined(_WIN32)
    struct _stat64 status {};
    if (_fstat64(fd, &status) != 0 || (status.st_mode & _S_IFREG) == 0) return 0;
#else
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
#endif
    return static_cast<std::uint64_t>(status.st_size);
}

void useBinaryStreams() {
#if defined(_WIN32)
    _setmode(kStdin, _O_BINARY);
    _setmode(kStdout, _O_BINARY);
#endif
}

void useUtf8Console() {
#if defined(_WIN32)
    // A redirected stream takes the bytes as they are whatever the code page; the console is the
    // person's, so it is left alone unless this program writes to it.
    if (!isTerminal(kStdout) && !isTerminal(kStderr)) return;
    const UINT before = GetConsoleOutputCP();
    if (before == 0 || before == CP_UTF8) return;
    if (std::atexit(restoreCodePage) != 0) return;  // could not be put back: leave it
    if (SetConsoleOutputCP(CP_UTF8) == 0) return;
    codePageBefore = before;
    SetConsoleCtrlHandler(restoreCodePageOnSignal, TRUE);
#endif
}

}  // namespace orvik::cli
