// Linked into every program and test of the sanitizer build only.
//
// Mesa's software GL driver is loaded and unloaded by the GL libraries as a window system
// connection comes and goes; what it keeps for the life of the process is then reported by
// LeakSanitizer at exit against a module that is no longer there, with no name to suppress it
// by. Loading the driver first, with RTLD_NODELETE, keeps it mapped until the process ends, so
// its reports carry its name (tools/lsan.supp).
#include <dlfcn.h>

#include <initializer_list>

namespace {

__attribute__((constructor)) void KeepGlDriversLoaded()
{
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
             "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so", "/usr/lib/dri/swrast_dri.so"}) {
        if (dlopen(path, RTLD_NOW | RTLD_NODELETE))
            return;
    }
}

} // namespace
