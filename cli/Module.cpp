#include "cli/Module.h"

#include <vector>

#if defined(_WIN32)
#include <windows.h>

#include "cli/Utf8.h"
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace orvik::cli {

namespace {

#if defined(_WIN32)
constexpr char kModuleName[] = "orvik.dll";
constexpr char kSeparator = '\\';
using Handle = HMODULE;

// path is a full one here (asFilePath), so the module loaded is that file and no other. With
// LOAD_WITH_ALTERED_SEARCH_PATH the DLLs it needs in turn are looked for from its own folder rather
// than this program's; unlike the LOAD_LIBRARY_SEARCH_ flags it works on every Windows version.
Handle open(const std::string& path) {
    // A file that is not a module must not raise a dialog box in a command-line program.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const Handle handle =
        LoadLibraryExW(fromUtf8(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetErrorMode(previous);
    SetLastError(error);
    return handle;
}

std::string lastError(const std::string& path) {
    const DWORD code = GetLastError();
    std::string message = path + ": error " + std::to_string(code);
    wchar_t text[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text / sizeof text[0], nullptr);
    while (n > 0 && (text[n - 1] == L'\n' || text[n - 1] == L'\r' || text[n - 1] == L' '))
        --n;
    if (n > 0) message += ": " + toUtf8(std::wstring(text, n));
    return message;
}

template <class Fn>
Fn lookUp(Handle handle, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

std::string programDirectory() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            const std::string full = toUtf8(std::wstring(path.data(), n));
            const std::size_t slash = full.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : full.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}
#else
#if defined(ORVIK_MODULE_FILE)
constexpr char kModuleName[] = ORVIK_MODULE_FILE;  // the SONAME, e.g. liborvik.so.0
#else
constexpr char kModuleName[] = "liborvik.so";
#endif
constexpr char kSeparator = '/';
using Handle = void*;

Handle open(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

std::string lastError(const std::string& path) {
    const char* why = dlerror();
    const std::string said = why != nullptr ? why : "cannot load it";
    // dlerror names the file itself, except for some failures.
    return said.compare(0, path.size(), path) == 0 ? said : path + ": " + said;
}

template <class Fn>
Fn lookUp(Handle handle, const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

std::string programDirectory() {
    std::vector<char> path(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < path.size()) {
            std::string full(path.data(), static_cast<std::size_t>(n));
            return full.substr(0, full.find_last_of('/'));
        }
        path.resize(path.size() * 2);
    }
}
#endif

// A path that names a file, so that the system's search never replaces it with another module.
std::string asFilePath(const std::string& path) {
#if defined(_WIN32)
    // LoadLibrary searches for any relative path, beside the program first; only a full path
    // names one file.
    const std::wstring wide = fromUtf8(path);
    std::vector<wchar_t> full(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return path;
        if (n < full.size()) return toUtf8(std::wstring(full.data(), n));
        full.resize(n);
    }
#else
    if (path.find('/') != std::string::npos) return path;
    return std::string(".") + kSeparator + path;
#endif
}

}  // namespace

bool loadModule(const std::string& path, Module& module, std::string& error) {
    std::vector<std::string> places;
    if (!path.empty()) {
        places.push_back(asFilePath(path));
    } else {
        const std::string here = programDirectory();
        if (!here.empty()) {
            places.push_back(asFilePath(here + kSeparator + kModuleName));
            // The installation's library directory, on Linux only: orvik.exe is copied anywhere,
            // and relative to C:\Tools that would be C:\lib, a folder any user can usually create.
#if defined(ORVIK_INSTALLED_LIBDIR) && !defined(_WIN32)
            places.push_back(
                asFilePath(here + kSeparator + ORVIK_INSTALLED_LIBDIR + kSeparator + kModuleName));
#endif
        }
#if !defined(_WIN32)
        // The dynamic loader's own search (LD_LIBRARY_PATH, its cache, the system's library
        // directories) looks in the current directory only when told to. Windows' search for a
        // bare name looks there and in every folder on PATH: whoever can put a file in one of
        // them would choose the module.
        places.emplace_back(kModuleName);
#endif
    }
    if (places.empty()) {
        error = "cannot load the dice module: this program's own folder is unknown";
        return false;
    }
    Handle handle = nullptr;
    std::vector<std::string> failures;
    for (const std::string& place : places) {
        handle = open(place);
        if (handle != nullptr) break;
        failures.push_back(lastError(place));
    }
    if (handle == nullptr) {
        // Every place tried, in order, so that a person can see where the module should be.
        error = "cannot load the dice module";
        if (failures.size() == 1) {
            error += ": " + failures.front();
        } else {
            error += "; tried, in order:";
            for (const std::string& failure : failures)
                error += "\n  " + failure;
        }
        return false;
    }
    // The module stays loaded until the program ends, as it would in a host.
    module.loadDll = lookUp<OrvikLoadDllFn>(handle, "LoadDll");
    module.diceMain = lookUp<OrvikRollFn>(handle, "DiceMain");
    module.sneakAttack = lookUp<OrvikRollFn>(handle, "SneakAttack");
    module.seed = lookUp<OrvikSeedFn>(handle, "OrvikSeed");
    if (module.loadDll == nullptr || module.diceMain == nullptr || module.sneakAttack == nullptr ||
        module.seed == nullptr) {
        error = "the module lacks one of LoadDll, DiceMain, SneakAttack and OrvikSeed";
        return false;
    }
    return true;
}

}  // namespace orvik::cli
