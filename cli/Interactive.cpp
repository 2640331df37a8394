#include "cli/Interactive.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/Io.h"
#include "cli/LineReader.h"
#include "cli/Output.h"

#if defined(ORVIK_HAVE_LIBEDIT)
#include <histedit.h>
#endif

namespace orvik::cli {

namespace {

#if defined(_WIN32)
constexpr char kHint[] =
    "Type a roll such as 2d6+3*2 and press Enter; quit or Ctrl-Z then Enter leaves.\n";
constexpr char kSneakHint[] =
    "Type sneak dice, a space and a roll, such as 3d6 d8+2, and press Enter; quit or Ctrl-Z then "
    "Enter leaves.\n";
#else
constexpr char kHint[] =
    "Type a roll such as 2d6+3*2 or 3#d20+5 and press Enter; quit or Ctrl-D leaves.\n";
constexpr char kSneakHint[] =
    "Type sneak dice, a space and a roll, such as 3d6 d8+2, and press Enter; quit or Ctrl-D "
    "leaves.\n";
#endif
constexpr char kPrompt[] = "orvik> ";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

enum class Line { Blank, Quit, Roll };

Line classify(const char* line, std::size_t length) {
    std::size_t start = 0;
    while (start < length && isBlank(line[start]))
        ++start;
    std::size_t end = length;
    while (end > start && isBlank(line[end - 1]))
        --end;
    if (start == end) return Line::Blank;
    if (end - start == 4 && std::memcmp(line + start, "quit", 4) == 0) return Line::Quit;
    return Line::Roll;
}

// The hint and the prompt go to the terminal: when standard output is redirected, the file
// receives the answers only.
int talkStream() {
    return isTerminal(kStdout) ? kStdout : kStderr;
}

void talk(int fd, const char* text) {
    try {
        writeAll(fd, text, std::strlen(text));
    } catch (const WriteError&) {
        if (fd == kStdout) throw;  // the answers' own stream: the run cannot go on
    }
}

// Lines as the terminal hands them over, edited by its own line discipline.
void plainPrompt(const char* hint, Output& out, const LineRoller& roll) {
    const int fd = talkStream();
    LineReader reader(kStdin, [&out] { out.flush(); });
    talk(fd, hint);
    for (;;) {
        out.flush();
        talk(fd, kPrompt);
        const char* line = nullptr;
        std::size_t length = 0;
        if (!reader.next(line, length)) {
            talk(fd, "\n");  // end of input leaves the cursor after the prompt
            return;
        }
        // A console hands over Ctrl-Z or Ctrl-D then Enter as a line of its own where it does not
        // end the input itself.
        if (length > 0 && (line[0] == '\x1a' || line[0] == '\x04')) return;
        const Line kind = classify(line, length);
        if (kind == Line::Quit) return;
        if (kind == Line::Roll) roll(line, length, reader.lineNumber());
    }
}

#if defined(ORVIK_HAVE_LIBEDIT)
constexpr int kHistorySize = 500;

const char* promptText(EditLine*) {
    return kPrompt;
}

// Owns the editor and its history for one session.
class Editor {
  public:
    explicit Editor(FILE* out)
        : editor_(el_init("orvik", stdin, out, stderr)), history_(history_init()) {
        if (editor_ == nullptr || history_ == nullptr) return;
        HistEvent event;
        history(history_, &event, H_SETSIZE, kHistorySize);
        history(history_, &event, H_SETUNIQUE, 1);
        el_set(editor_, EL_EDITOR, "emacs");
        el_set(editor_, EL_SIGNAL, 1);  // put the terminal back on a signal
        el_set(editor_, EL_PROMPT, promptText);
        el_set(editor_, EL_HIST, history, history_);
        el_source(editor_, nullptr);  // the person's own ~/.editrc, as other libedit programs do
    }
    ~Editor() {
        if (history_ != nullptr) history_end(history_);
        if (editor_ != nullptr) el_end(editor_);
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;
    Editor(Editor&&) = delete;
    Editor& operator=(Editor&&) = delete;

    bool ready() const { return editor_ != nullptr && history_ != nullptr; }

    // The next line, newline included; nullptr at end of input. count < 0 means a read error.
    const char* next(int& count) { return el_gets(editor_, &count); }

    void remember(const char* line) {
        HistEvent event;
        history(history_, &event, H_ENTER, line);
    }

  private:
    EditLine* editor_;
    History* history_;
};

// A dumb terminal (an editor's shell buffer, say) cannot show line editing.
bool wantEditor() {
    const char* term = std::getenv("TERM");
    return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

// False when the editor could not start, so that the plain prompt serves instead.
bool editorPrompt(const char* hint, Output& out, const LineRoller& roll) {
    FILE* terminal = talkStream() == kStdout ? stdout : stderr;
    Editor editor(terminal);
    if (!editor.ready()) return false;
    std::fputs(hint, terminal);
    std::fflush(terminal);
    for (std::uint64_t number = 1;; ++number) {
        out.flush();
        int count = 0;
        errno = 0;
        const char* line = editor.next(count);
        if (line == nullptr || count <= 0) {
            std::fputc('\n', terminal);  // Ctrl-D leaves the cursor after the prompt
            std::fflush(terminal);
            if (count < 0) throw ReadError(std::strerror(errno != 0 ? errno : EIO));
            return true;
        }
        std::size_t length = static_cast<std::size_t>(count);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
            --length;
        const Line kind = classify(line, length);
        if (kind == Line::Quit) return true;
        if (kind == Line::Blank) continue;
        editor.remember(line);
        roll(line, length, number);
    }
}
#endif

}  // namespace

bool wantPrompt() {
    return isTerminal(kStdin) && (isTerminal(kStdout) || isTerminal(kStderr));
}

void rollInteractively(bool sneak, Output& out, const LineRoller& roll) {
    const char* hint = sneak ? kSneakHint : kHint;
#if defined(ORVIK_HAVE_LIBEDIT)
    if (wantEditor() && editorPrompt(hint, out, roll)) return;
#endif
    plainPrompt(hint, out, roll);
}

}  // namespace orvik::cli
