#include "cli/Module.h"

#include <vector>

#if defined(_WIN32)
#include <windows.h>
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

Handle open(const std::string& path) {
    return LoadLibraryA(path.c_str());
}

std::string lastError() {
    return "cannot load module (error " + std::to_string(GetLastError()) + ")";
}

template <class Fn>
Fn lookUp(Handle handle, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

std::string programDirectory() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            std::string full(path.data(), n);
            const std::size_t slash = full.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : full.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}
#else
constexpr char kModuleName[] = "liborvik.so";
constexpr char kSeparator = '/';
using Handle = void*;

Handle open(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

std::string lastError() {
    const char* why = dlerror();
    return why != nullptr ? why : "cannot load module";
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
    if (path.find('/') != std::string::npos) return path;
#if defined(_WIN32)
    if (path.find('\\') != std::string::npos) return path;
#endif
    return std::string(".") + kSeparator + path;
}

}  // namespace

bool loadModule(const std::string& path, Module& module, std::string& error) {
    Handle handle = nullptr;
    if (!path.empty()) {
        handle = open(asFilePath(path));
    } else {
        const std::string here = programDirectory();
        if (!here.empty()) {
            handle = open(here + kSeparator + kModuleName);
#if defined(ORVIK_INSTALLED_LIBDIR)
            if (handle == nullptr)
                handle =
                    open(here + kSeparator + ORVIK_INSTALLED_LIBDIR + kSeparator + kModuleName);
#endif
        }
        if (handle == nullptr) handle = open(kModuleName);
    }
    if (handle == nullptr) {
        error = lastError();
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
