#include "cli/Interactive.h"

#include <cstdio>
#include <cstring>

#if defined(ORVIK_HAVE_LIBEDIT)
#include <histedit.h>
#include <unistd.h>
#endif

namespace orvik::cli {

#if defined(ORVIK_HAVE_LIBEDIT)

namespace {

constexpr char kHint[] =
    "Type a roll such as 2d6+3*2 or 3#d20+5 and press Enter; quit or Ctrl-D leaves.\n";
constexpr char kSneakHint[] =
    "Type sneak dice, a space and a roll, such as 3d6 d8+2, and press Enter; quit or Ctrl-D "
    "leaves.\n";
constexpr int kHistorySize = 500;

const char* prompt(EditLine*) {
    return "orvik> ";
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
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
        el_set(editor_, EL_PROMPT, prompt);
        el_set(editor_, EL_HIST, history, history_);
        el_source(editor_, nullptr);  // the person's own ~/.editrc, as other libedit programs do
    }
    ~Editor() {
        if (history_ != nullptr) history_end(history_);
        if (editor_ != nullptr) el_end(editor_);
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

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

}  // namespace

bool wantPrompt() {
    return isatty(STDIN_FILENO) == 1 && (isatty(STDOUT_FILENO) == 1 || isatty(STDERR_FILENO) == 1);
}

bool rollInteractively(bool sneak, const LineRoller& roll) {
    // The hint and the prompt go to the terminal; when standard output is redirected, the file
    // receives the answers only.
    FILE* talk = isatty(STDOUT_FILENO) == 1 ? stdout : stderr;
    Editor editor(talk);
    if (!editor.ready()) return false;
    std::fputs(sneak ? kSneakHint : kHint, talk);
    std::fflush(talk);
    for (;;) {
        int count = 0;
        const char* line = editor.next(count);
        if (line == nullptr || count <= 0) {
            // Ctrl-D leaves the cursor after the prompt; end that line for the shell.
            std::fputc('\n', talk);
            std::fflush(talk);
            return count == 0;
        }
        std::size_t length = static_cast<std::size_t>(count);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
            --length;
        std::size_t start = 0;
        while (start < length && isBlank(line[start]))
            ++start;
        std::size_t end = length;
        while (end > start && isBlank(line[end - 1]))
            --end;
        if (start == end) continue;
        if (end - start == 4 && std::memcmp(line + start, "quit", 4) == 0) return true;
        editor.remember(line);
        if (!roll(line, length)) return true;  // the caller reports the failed write
    }
}

#else  // no line editor on this platform: standard input is always read line by line

bool wantPrompt() {
    return false;
}

bool rollInteractively(bool, const LineRoller&) {
    return false;
}

#endif

}  // namespace orvik::cli
