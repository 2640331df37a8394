// orvik: rolls dice from the command line through the dice module, as a host would.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include "cli/Utf8.h"
#endif

#include "cli/Interactive.h"
#include "cli/Module.h"
#include "odds/Odds.h"

namespace {

constexpr int kAllResults = 0;
constexpr int kSomeDiceError = 1;
constexpr int kTrouble = 2;

constexpr std::size_t kMinHostBuffer = 512;  // what every host hands the module at least
constexpr std::size_t kChunk = 1 << 16;

const char kUsage[] =
    "Usage: orvik [OPTION]... [TEXT]...\n"
    "Roll dice. Each TEXT is one roll, answered on its own line; with no TEXT, each line of\n"
    "standard input is one roll; at a terminal, orvik prompts for them (quit or Ctrl-D leaves).\n"
    "\n"
    "  --sneak          roll sneak attacks: TEXT is \"<sneak dice> <main roll>\", e.g. \"3d6 "
    "d8+2\"\n"
    "  --odds           instead of rolling, show the exact odds of every total\n"
    "  --json           with --odds: one JSON object per TEXT, listing every total\n"
    "  --seed N         start the generator from N (0 to 4294967295) instead of the clock\n"
    "  --module PATH    load the dice module from PATH\n"
    "  -h, --help       show this help and exit\n"
    "  -V, --version    show the version and exit\n"
    "  --               end of options: every later argument is a TEXT\n"
    "\n"
    "A roll: [GROUPS#][COUNT]dSIDES{+N|-N}[*N{*N}] [free text]\n"
    "  d20+5      one d20 plus 5\n"
    "  2d6+3*2    the roll twice over: 4d6+6\n"
    "  3#d20      three separate d20 totals\n"
    "  d20 to hit free text after the first space is repeated in the answer\n"
    "Limits: 30 groups, 100 dice (after multiplying), 500 sides, modifier 1000, multiplier 10.\n"
    "\n"
    "Exit status: 0 if every answer is a result, 1 if any is a \"Dice Error: \", 2 on trouble\n"
    "(a bad option or seed, a module that cannot be loaded, a failed read or write).\n";

// Answers collect here and leave in large writes.
class Output {
  public:
    Output() { buffer_.reserve(kChunk); }

    void line(const char* text, std::size_t length) {
        if (buffer_.size() + length + 1 > kChunk) flush();
        buffer_.insert(buffer_.end(), text, text + length);
        buffer_.push_back('\n');
    }

    // False once any write has failed.
    bool flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) {
            failed_ = true;
        }
        buffer_.clear();
        if (std::fflush(stdout) != 0) failed_ = true;
        return !failed_;
    }

  private:
    std::vector<char> buffer_;
    bool failed_ = false;
};

class Roller {
  public:
    Roller(OrvikRollFn routine, Output& out) : routine_(routine), out_(out) {}

    // One roll, answered on one line. Returns false when the answer is not a result.
    bool roll(const char* text, std::size_t length) {
        // A host buffer: at least 512 bytes, and room for the text it is handed.
        const std::size_t capacity = std::max(kMinHostBuffer, length + 1);
        if (data_.size() < capacity) data_.resize(capacity);
        std::memcpy(data_.data(), text, length);
        data_[length] = '\0';
        routine_(nullptr, nullptr, data_.data(), nullptr, nullptr, nullptr);
        const std::size_t answer = strnlen(data_.data(), capacity);
        out_.line(data_.data(), answer);
        return answer >= 6 && std::memcmp(data_.data(), "rolls ", 6) == 0;
    }

  private:
    OrvikRollFn routine_;
    Output& out_;
    std::vector<char> data_;
};

// Answers with the odds of each text instead of rolling it.
class OddsRoller {
  public:
    OddsRoller(bool sneak, bool json, Output& out) : answers_(sneak, json), out_(out) {}

    bool roll(const char* text, std::size_t length) {
        const bool result = answers_.answer(text, length, answer_);
        out_.line(answer_.data(), answer_.size());
        return result;
    }

  private:
    orvik::odds::Answers answers_;
    Output& out_;
    std::string answer_;
};

// Rolls every line of standard input. "\n" and "\r\n" end a line; a last line without either
// still counts. Returns false if reading failed.
template <typename AnyRoller>
bool rollLines(AnyRoller& roller, bool& allResults) {
    std::vector<char> buffer(kChunk);
    std::size_t held = 0;
    for (;;) {
        if (held == buffer.size()) buffer.resize(buffer.size() * 2);  // a line longer than we hold
        const std::size_t got = std::fread(buffer.data() + held, 1, buffer.size() - held, stdin);
        const bool atEnd = got == 0;
        held += got;
        std::size_t start = 0;
        for (;;) {
            char* begin = buffer.data() + start;
            char* newline = static_cast<char*>(std::memchr(begin, '\n', held - start));
            if (newline == nullptr) break;
            std::size_t length = static_cast<std::size_t>(newline - begin);
            if (length > 0 && begin[length - 1] == '\r') --length;
            if (!roller.roll(begin, length)) allResults = false;
            start += static_cast<std::size_t>(newline - begin) + 1;
        }
        std::memmove(buffer.data(), buffer.data() + start, held - start);
        held -= start;
        if (atEnd) {
            if (std::ferror(stdin)) return false;
            if (held > 0 && !roller.roll(buffer.data(), held)) allResults = false;
            return true;
        }
    }
}

bool parseSeed(const char* text, std::uint32_t& seed) {
    if (*text == '\0') return false;
    std::uint64_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFu) return false;
    }
    seed = static_cast<std::uint32_t>(value);
    return true;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "orvik: %s\nTry 'orvik --help' for more information.\n", message.c_str());
    return kTrouble;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // The same bytes on every platform: no "\r\n" translation.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    const orvik::cli::Utf8Arguments utf8(argc, argv);
#endif
    bool sneak = false;
    bool odds = false;
    bool json = false;
    bool seeded = false;
    std::uint32_t seed = 0;
    std::string modulePath;
    std::vector<const char*> texts;

    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options || arg.size() < 2 || arg[0] != '-') {
            texts.push_back(argv[i]);
            continue;
        }
        // "--name=value" or "--name value"
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        auto value = [&](std::string& out) {
            if (equals != std::string::npos) {
                out = arg.substr(equals + 1);
                return true;
            }
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        if (arg == "--") {
            options = false;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? kAllResults : kTrouble;
        } else if (arg == "-V" || arg == "--version") {
            std::printf("orvik %s\n", ORVIK_VERSION);
            return std::fflush(stdout) == 0 ? kAllResults : kTrouble;
        } else if (arg == "--sneak") {
            sneak = true;
        } else if (arg == "--odds") {
            odds = true;
        } else if (arg == "--json") {
            json = true;
        } else if (name == "--seed") {
            std::string text;
            if (!value(text)) return usageError("option '--seed' needs a number");
            if (!parseSeed(text.c_str(), seed)) {
                return usageError("invalid seed '" + text + "': expected 0 to 4294967295");
            }
            seeded = true;
        } else if (name == "--module") {
            if (!value(modulePath) || modulePath.empty()) {
                return usageError("option '--module' needs a path");
            }
        } else {
            return usageError("unknown option '" + arg + "'");
        }
    }

    if (json && !odds) return usageError("option '--json' needs '--odds'");

    Output out;
    bool allResults = true;
    bool readOk = true;
    auto rollAll = [&](auto& roller) {
        if (texts.empty() && orvik::cli::wantPrompt()) {
            readOk = orvik::cli::rollInteractively(sneak, [&](const char* text, std::size_t length) {
                if (!roller.roll(text, length)) allResults = false;
                return out.flush();
            });
        } else if (texts.empty()) {
            readOk = rollLines(roller, allResults);
        } else {
            for (const char* text : texts) {
                if (!roller.roll(text, std::strlen(text))) allResults = false;
            }
        }
    };
    if (odds) {
        // The odds come from the engine linked in here: no module is loaded and nothing rolled.
        OddsRoller roller(sneak, json, out);
        rollAll(roller);
    } else {
        orvik::cli::Module module;
        std::string why;
        if (!orvik::cli::loadModule(modulePath, module, why)) {
            std::fprintf(stderr, "orvik: %s\n", why.c_str());
            return kTrouble;
        }
        if (seeded) {
            module.seed(seed);
        } else {
            module.loadDll(nullptr);
        }
        Roller roller(sneak ? module.sneakAttack : module.diceMain, out);
        rollAll(roller);
    }
    const bool wroteOk = out.flush();
    if (!readOk) {
        std::fprintf(stderr, "orvik: cannot read standard input: %s\n", std::strerror(errno));
        return kTrouble;
    }
    if (!wroteOk) {
        std::fprintf(stderr, "orvik: cannot write standard output: %s\n", std::strerror(errno));
        return kTrouble;
    }
    return allResults ? kAllResults : kSomeDiceError;
}
