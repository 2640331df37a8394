// Says the console's output code page, which a program run before it in the same console may have
// left changed; Wine's chcp says the input code page only. No spaces: a console may draw them as
// cursor moves.
#include <cstdio>

#include <windows.h>

int main() {
    std::printf("output_code_page=%u\n", GetConsoleOutputCP());
    return 0;
}
