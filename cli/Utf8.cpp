#include "cli/Utf8.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace orvik::cli {

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
    return wide;
}

Utf8Arguments::Utf8Arguments(int& argc, char**& argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return;
    for (int i = 0; i < count; ++i)
        strings_.push_back(toUtf8(wide[i]));
    LocalFree(wide);
    for (std::string& s : strings_)
        pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
    argc = count;
    argv = pointers_.data();
}

}  // namespace orvik::cli
