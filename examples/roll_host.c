/* A minimal host in C: loads the Orvik module by name at run time, looks up its routines by name
 * and rolls each argument, as a game host does.
 *
 *     roll_host [TEXT]...        (default: 2d6+3*2)
 */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include <orvik.h>

#include "roll_each.h"

/* The module's file, by its SONAME for the system's library search (the runtime package has
 * it; liborvik.so is only the development files' link name) unless the build names the installed
 * one (see CMakeLists.txt, or pkg-config --variable=module orvik). */
#ifndef ORVIK_MODULE
#define ORVIK_MODULE "liborvik.so.0"
#endif

/* dlsym returns an object pointer; copying its bytes is the portable way to a function pointer. */
static int lookUp(void* handle, const char* name, void* fn, size_t size) {
    void* symbol = dlsym(handle, name);
    if (symbol == NULL) return 0;
    memcpy(fn, &symbol, size);
    return 1;
}

int main(int argc, char** argv) {
    void* handle = dlopen(ORVIK_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (handle == NULL) {
        fprintf(stderr, "roll_host: %s\n", dlerror());
        return 2;
    }
    OrvikLoadDllFn loadDll;
    OrvikRollFn diceMain;
    if (!lookUp(handle, "LoadDll", &loadDll, sizeof loadDll) ||
        !lookUp(handle, "DiceMain", &diceMain, sizeof diceMain)) {
        fprintf(stderr, "roll_host: %s\n", dlerror());
        return 2;
    }

    loadDll(NULL); /* once, after loading: seeds the generator from the clock */
    const int status = rollEach(argc, argv, "roll_host", diceMain);
    dlclose(handle);
    return status;
}
