// The command's standard streams through the system's own read and write, so that a line is
// answered as soon as it arrives and a failed write is seen at once.
#ifndef ORVIK_CLI_IO_H
#define ORVIK_CLI_IO_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace orvik::cli {

constexpr int kStdin = 0;
constexpr int kStdout = 1;
constexpr int kStderr = 2;

// What failed, in the system's words.
class ReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
class WriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A read given up because stop was set (Ctrl-C).
class Interrupted : public std::runtime_error {
  public:
    Interrupted() : std::runtime_error("interrupted") {}
};

// Bytes as they come: waits only while none have arrived. Returns 0 at end of input; throws
// ReadError. With stop, it is looked at before each read and a few times a second while input
// is awaited (a pipe that says nothing), and once set, Interrupted is thrown; on Windows it is
// looked at before each read alone.
std::size_t readSome(int fd, char* buffer, std::size_t size,
                     const std::atomic<bool>* stop = nullptr);

// A file to read, by its path (UTF-8 on Windows too), opened for reading in binary. Throws
// ReadError saying why it cannot be. The caller closes it with closeFile.
int openForReading(const std::string& path);
void closeFile(int fd);

// All of data, or WriteError.
void writeAll(int fd, const char* data, std::size_t size);

// A terminal (on Windows, a console) that a person types at or reads.
bool isTerminal(int fd);

// The columns of the terminal fd is, or 0 when it cannot be told.
std::size_t terminalColumns(int fd);

// The size of the file fd reads, or 0 when it is not a plain file (a pipe, a terminal).
std::uint64_t fileSize(int fd);

// The same bytes on every platform: no "\r\n" translation of standard input and output.
void useBinaryStreams();

// On Windows, when standard output or error is a console, has it show the UTF-8 this program
// writes (the odds' bars, the audit's √) for as long as the program runs, and puts its code page
// back at exit, also on Ctrl-C. Elsewhere does nothing. Called once, first thing in main.
void useUtf8Console();

}  // namespace orvik::cli

#endif  // ORVIK_CLI_IO_H
